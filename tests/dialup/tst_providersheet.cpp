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

// The stored numbers and switches as one line, or "no key".
QString Stored(const QString& entry)
{
    CPhoneNumberList l;
    if (reg::RegKey().Open(reg::HKEY_LOCAL_MACHINE, CPhoneNumberList::KeyPath(entry)) != reg::ERROR_SUCCESS)
        return "no key";
    l.Load(entry);
    return QString("%1 chain %2 delay %3 tries %4").arg(l.m_numbers.join(",")).arg(l.m_bChainDial).arg(l.m_nDelay).arg(l.m_nTries);
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

    // The Provider page's fields and what OK stores; checking makes the
    // provider the default, unchecking never removes it.
    void provider_data()
    {
        QTest::addColumn<bool>("savedBefore");
        QTest::addColumn<QString>("shownPassword");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("defaultBefore");
        QTest::addColumn<QString>("defaultAfter");
        QTest::newRow("unchecked removes the password")
            << true << "pw" << "bob" << "typed" << false << "unsaved bob/" << "Bravo" << "Bravo";
        QTest::newRow("empty fields keep what is stored, default checked")
            << true << "pw" << "" << "" << true << "saved bob/pw" << "Bravo" << "alpha";
        QTest::newRow("new password saved, default unchecked")
            << false << "" << "ann" << "x" << true << "saved ann/x" << "Alpha" << "Alpha";
    }
    void provider()
    {
        QFETCH(bool, savedBefore);
        QFETCH(QString, defaultBefore);
        QFETCH(QString, defaultAfter);
        SetEntryDialParams(rastest::Params("Alpha", "bob", "pw"), !savedBefore);
        m_api->SetDefaultEntry(defaultBefore);
        CProviderPropertyPage1& page = Open("alpha").m_page1;
        QCOMPARE(page.Item<QLineEdit>(ids::IDC_PROV_NAME)->text() + page.Item<QLineEdit>(ids::IDC_PROV_USERNAME)->text(),
                 QString("alphabob"));
        QTEST(page.Item<QLineEdit>(ids::IDC_PROV_PASSWORD)->text(), "shownPassword");
        QCOMPARE(page.Item<QCheckBox>(ids::IDC_PROV_SAVE_PASSWORD)->isChecked(), savedBefore);
        QCheckBox* isDefault = page.Item<QCheckBox>(ids::IDC_PROV_DEFAULT);
        QCOMPARE(isDefault->isChecked(), defaultBefore == "Alpha");
        isDefault->setChecked(defaultAfter == "alpha");

        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, save);
        page.Item<QLineEdit>(ids::IDC_PROV_USERNAME)->setText(user);
        page.Item<QLineEdit>(ids::IDC_PROV_PASSWORD)->setText(password);
        page.Item<QCheckBox>(ids::IDC_PROV_SAVE_PASSWORD)->setChecked(save);
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(m_sheet->Result(), fw::IDOK);
        QTEST(rastest::Creds("Alpha"), "stored");
        QCOMPARE(m_api->GetDefaultEntry(), defaultAfter);
        QCOMPARE(Stored("Alpha"), QString("no key")); // the Dialing page was never shown
    }

    // The Dialing page without stored numbers: the own number ready to add.
    // Add puts numbers first; OK writes the whole key and the own number.
    void dialingPage()
    {
        CProviderPropertyPage3& page = Open("Alpha").m_page3;
        QVERIFY(!page.IsInitialized()); // until it is first shown
        m_sheet->show();
        m_sheet->SetActivePage(1);
        QVERIFY(page.Item<QPushButton>(ids::IDC_PROV_ADD)->isVisible());
        auto* list = page.Item<QListWidget>(ids::IDC_PROV_NUMBERS);
        auto* edit = page.Item<QLineEdit>(ids::IDC_PROV_NEW_NUMBER);
        QCOMPARE(edit->text(), QString("555 0100"));
        page.OnAdd();
        edit->setText("555 0199");
        page.OnAdd();
        edit->setText("555 0111");
        page.OnAdd();
        QCOMPARE(list->item(2)->text(), QString("555 0100"));
        list->setCurrentRow(0);
        page.OnDelete();
        list->setCurrentRow(0);
        page.OnSetDefault();
        QCOMPARE(page.Item<QLabel>(ids::IDC_PROV_DEFAULT_NUMBER)->text(), QString("555 0199"));
        // An empty number field is refused and nothing is written; the
        // shown defaults (off, 5 s, 10 tries) are stored with the numbers.
        page.Item<QLineEdit>(ids::IDC_PROV_TRIES)->setText("");
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(m_boxes, QStringList{res::LoadString(ids::AFX_IDP_PARSE_INT)});
        QCOMPARE(m_sheet->Result(), 0);
        QCOMPARE(Stored("Alpha"), QString("no key"));
        page.Item<QLineEdit>(ids::IDC_PROV_TRIES)->setText("10");
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(Stored("Alpha"), QString("555 0199,555 0100 chain 0 delay 5 tries 10"));
        RasEntry props;
        QCOMPARE(GetEntryProperties("Alpha", &props, nullptr), ERROR_SUCCESS);
        QCOMPARE(props.strLocalPhoneNumber, QString("555 0199"));

        // Opened again: the stored values, nothing left to add.
        CProviderPropertyPage3& again = Open("Alpha").m_page3;
        m_sheet->SetActivePage(1);
        QCOMPARE(again.Item<QLineEdit>(ids::IDC_PROV_NEW_NUMBER)->text(), QString());
        again.Item<QLineEdit>(ids::IDC_PROV_NEW_NUMBER)->setText("1");
        again.OnAdd();
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_CANCEL);
        QCOMPARE(Stored("Alpha"), QString("555 0199,555 0100 chain 0 delay 5 tries 10"));
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
        QTRY_COMPARE(sheet.Result(), fw::IDCANCEL);
        QCOMPARE(Stored("Alpha"), QString("no key"));
    }

    // The login script button appears for an entry that uses a script and
    // opens it (made from the examples when new) with the desktop's handler.
    void loginScript()
    {
        ras::RasEntry e;
        QCOMPARE(ras::GetEntryProperties("Alpha", &e, nullptr), ras::ERROR_SUCCESS);
        e.bLoginScript = true;
        QCOMPARE(ras::SetEntryProperties("Alpha", e, nullptr), ras::ERROR_SUCCESS);
        QStringList started;
        shell::SetProcessStarter([&](const shell::ProcessRequest& r, QString*) { return started << r.arguments, true; });
        auto* button = Open("Alpha").m_page1.Item<QPushButton>(ids::IDC_PROV_SCRIPTER);
        QVERIFY(!button->isHidden());
        button->click();
        shell::SetProcessStarter({});
        QCOMPARE(started, QStringList{ConfigFolder() + "/scripts/Alpha.chat"});
        QVERIFY(QFileInfo(started.value(0)).isFile());
        QVERIFY(Open("Bravo").m_page1.Item<QPushButton>(ids::IDC_PROV_SCRIPTER)->isHidden());
    }
};

QTEST_MAIN(TestProviderSheet)
#include "tst_providersheet.moc"
