// The provider sheet: what each page shows, what OK leaves in the
// credentials store, the default provider and the registry, and that Cancel,
// unshown pages and deleting the provider leave everything as it was.

#include "RasTestUtil.h"
#include "dialup/PhoneNumberList.h"
#include "dialup/ProviderPropertySheet.h"
#include "dialup/RasApi.h"
#include "framework/MessageBox.h"
#include "platform/shell/Execute.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace ras;

namespace {

template <class W>
W* Ctl(fw::CPropertyPage& page, int id)
{
    return page.Item<W>(id);
}

QStringList Lines(QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// The stored numbers and switches as one line, or "no key".
QString Stored(const QString& entry)
{
    reg::RegKey key;
    if (key.Open(reg::HKEY_LOCAL_MACHINE, CPhoneNumberList::KeyPath(entry)) != reg::ERROR_SUCCESS)
        return "no key";
    CPhoneNumberList list;
    list.Load(entry);
    return QString("%1 chain %2 delay %3 tries %4")
        .arg(list.m_numbers.join(","))
        .arg(list.m_bChainDial)
        .arg(list.m_nDelay)
        .arg(list.m_nTries);
}

QString OwnNumber(const QString& entry)
{
    RasEntry e;
    return GetEntryProperties(entry, &e, nullptr) == ERROR_SUCCESS ? e.strLocalPhoneNumber : "gone";
}

} // namespace

class TestProviderSheet : public QObject
{
    Q_OBJECT
    TestEnv m_env;
    std::unique_ptr<CRasApi> m_api;
    std::unique_ptr<CProviderPropertySheet> m_sheet;
    QStringList m_boxes;
    int m_answer = fw::IDYES;

    CProviderPropertySheet& Open(const QString& entry)
    {
        m_sheet = std::make_unique<CProviderPropertySheet>(m_api.get());
        m_sheet->m_strEntry = entry;
        m_sheet->Create();
        return *m_sheet;
    }

private slots:
    void init()
    {
        rastest::Reset(m_env);
        rastest::AddEntry("Alpha", "", "555 0100");
        rastest::AddEntry("Bravo");
        m_api = std::make_unique<CRasApi>();
        QVERIFY(m_api->Load());
        m_boxes.clear();
        m_answer = fw::IDYES;
        fw::SetMessageHandler([this](const fw::MessageRequest& r) {
            m_boxes << r.text;
            return m_answer;
        });
    }
    void cleanup()
    {
        m_sheet.reset();
        m_api.reset();
        fw::SetMessageHandler({});
    }

    // The Provider page's fields and what OK stores.
    void credentials_data()
    {
        QTest::addColumn<bool>("savedBefore");
        QTest::addColumn<QString>("shownPassword");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("stored");
        QTest::newRow("unchecked removes the password") << true << "pw" << "bob" << "typed" << false
                                                         << "unsaved bob/";
        QTest::newRow("empty fields keep what is stored") << true << "pw" << "" << "" << true << "saved bob/pw";
        QTest::newRow("new password saved") << false << "" << "ann" << "x" << true << "saved ann/x";
    }
    void credentials()
    {
        QFETCH(bool, savedBefore);
        SetEntryDialParams(rastest::Params("Alpha", "bob", "pw"), !savedBefore);
        CProviderPropertyPage1& page = Open("Alpha").m_page1;
        QCOMPARE(m_sheet->windowTitle(), res::LoadString(ids::IDS_CONFIGURE_PROVIDER));
        QCOMPARE(Ctl<QLineEdit>(page, ids::IDC_PROV_NAME)->text(), QString("Alpha"));
        QCOMPARE(Ctl<QLineEdit>(page, ids::IDC_PROV_USERNAME)->text(), QString("bob"));
        QTEST(Ctl<QLineEdit>(page, ids::IDC_PROV_PASSWORD)->text(), "shownPassword");
        QCOMPARE(Ctl<QCheckBox>(page, ids::IDC_PROV_SAVE_PASSWORD)->isChecked(), savedBefore);
        QVERIFY(Ctl<QPushButton>(page, ids::IDC_PROV_SCRIPTER)->isHidden());

        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, save);
        Ctl<QLineEdit>(page, ids::IDC_PROV_USERNAME)->setText(user);
        Ctl<QLineEdit>(page, ids::IDC_PROV_PASSWORD)->setText(password);
        Ctl<QCheckBox>(page, ids::IDC_PROV_SAVE_PASSWORD)->setChecked(save);
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(m_sheet->Result(), fw::IDOK);
        QTEST(rastest::Creds("Alpha"), "stored");
        QCOMPARE(Stored("Alpha"), QString("no key")); // the Dialing page was never shown
    }

    // Checking makes the provider the default; unchecking never removes it.
    void defaultProvider()
    {
        m_api->SetDefaultEntry("Bravo");
        QCheckBox* box = Ctl<QCheckBox>(Open("alpha").m_page1, ids::IDC_PROV_DEFAULT);
        QVERIFY(!box->isChecked());
        box->setChecked(true);
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(m_api->GetDefaultEntry(), QString("alpha"));
        box = Ctl<QCheckBox>(Open("Alpha").m_page1, ids::IDC_PROV_DEFAULT);
        QVERIFY(box->isChecked());
        box->setChecked(false);
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(m_api->GetDefaultEntry(), QString("alpha"));
    }

    // The Dialing page without stored numbers: off, 5 s, 10 tries, the own
    // number ready to add. Add puts numbers first; OK writes the whole key
    // and the entry's own number.
    void dialingPage()
    {
        CProviderPropertyPage3& page = Open("Alpha").m_page3;
        QVERIFY(!page.IsInitialized());
        m_sheet->SetActivePage(1);
        auto* list = Ctl<QListWidget>(page, ids::IDC_PROV_NUMBERS);
        auto* edit = Ctl<QLineEdit>(page, ids::IDC_PROV_NEW_NUMBER);
        QCOMPARE(edit->text(), QString("555 0100"));
        QCOMPARE(Ctl<QLineEdit>(page, ids::IDC_PROV_TRIES)->text(), QString("10"));
        QCOMPARE(Ctl<QLineEdit>(page, ids::IDC_PROV_DELAY)->text(), QString("5"));
        QVERIFY(!Ctl<QCheckBox>(page, ids::IDC_PROV_CHAIN_DIAL)->isChecked());
        page.OnAdd();
        edit->setText("555 0199");
        page.OnAdd();
        edit->setText("555 0111");
        page.OnAdd();
        QCOMPARE(Lines(list), QStringList({"555 0111", "555 0199", "555 0100"}));
        list->setCurrentRow(0);
        page.OnDelete();
        list->setCurrentRow(0);
        page.OnSetDefault();
        QCOMPARE(Ctl<QLabel>(page, ids::IDC_PROV_DEFAULT_NUMBER)->text(), QString("555 0199"));
        Ctl<QCheckBox>(page, ids::IDC_PROV_CHAIN_DIAL)->setChecked(true);
        Ctl<QLineEdit>(page, ids::IDC_PROV_DELAY)->setText("");
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        // An empty number field is refused and nothing is written.
        QCOMPARE(m_boxes, QStringList{res::LoadString(ids::AFX_IDP_PARSE_INT)});
        QCOMPARE(m_sheet->Result(), 0);
        QCOMPARE(Stored("Alpha"), QString("no key"));
        Ctl<QLineEdit>(page, ids::IDC_PROV_DELAY)->setText("0");
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(m_sheet->Result(), fw::IDOK);
        QCOMPARE(Stored("Alpha"), QString("555 0199,555 0100 chain 1 delay 0 tries 10"));
        QCOMPARE(OwnNumber("Alpha"), QString("555 0199"));

        // Opened again: the stored values, nothing left to add.
        CProviderPropertyPage3& again = Open("Alpha").m_page3;
        m_sheet->SetActivePage(1);
        QCOMPARE(Ctl<QLineEdit>(again, ids::IDC_PROV_NEW_NUMBER)->text(), QString());
        QCOMPARE(Ctl<QLineEdit>(again, ids::IDC_PROV_DELAY)->text(), QString("0"));
        Ctl<QLineEdit>(again, ids::IDC_PROV_NEW_NUMBER)->setText("1");
        again.OnAdd();
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_CANCEL);
        QCOMPARE(m_sheet->Result(), fw::IDCANCEL);
        QCOMPARE(Stored("Alpha"), QString("555 0199,555 0100 chain 1 delay 0 tries 10"));
    }

    // Delete asks; Yes removes the entry and closes the sheet without
    // applying what the pages hold.
    void deleteProvider()
    {
        CProviderPropertySheet& sheet = Open("Alpha");
        sheet.SetActivePage(1);
        sheet.m_page3.OnAdd();
        m_answer = fw::IDNO;
        sheet.m_page1.OnDelete();
        QCOMPARE(m_boxes, QStringList{res::FormatString(ids::IDS_DELETE_ENTRY, {"Alpha"})});
        QCOMPARE(rastest::Entries(), QStringList({"Alpha", "Bravo"}));
        m_answer = fw::IDYES;
        sheet.m_page1.OnDelete();
        QCOMPARE(rastest::Entries(), QStringList{"Bravo"});
        sheet.PressButton(fw::CPropertySheet::PSBTN_OK); // too late: it is closing
        QTRY_COMPARE(sheet.Result(), fw::IDCANCEL);
        QCOMPARE(Stored("Alpha"), QString("no key"));
    }

    // The login script button appears for an entry that has a script and
    // opens it with the desktop's handler.
    void loginScript()
    {
        const QString script = ConfigFolder() + "/scripts/Alpha.chat";
        QDir().mkpath(ConfigFolder() + "/scripts");
        TestEnv::writeAll(script, "ABORT BUSY\n");
        QList<shell::ProcessRequest> started;
        shell::SetProcessStarter([&](const shell::ProcessRequest& r, QString*) {
            started << r;
            return true;
        });
        auto* button = Ctl<QPushButton>(Open("Alpha").m_page1, ids::IDC_PROV_SCRIPTER);
        QVERIFY(!button->isHidden());
        button->click();
        shell::SetProcessStarter({});
        QCOMPARE(started.size(), 1);
        QCOMPARE(started[0].kind, shell::ProcessRequest::DefaultHandler);
        QVERIFY(started[0].arguments.contains(script));
        QVERIFY(Ctl<QPushButton>(Open("Bravo").m_page1, ids::IDC_PROV_SCRIPTER)->isHidden());
    }
};

QTEST_MAIN(TestProviderSheet)
#include "tst_providersheet.moc"
