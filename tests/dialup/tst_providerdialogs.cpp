// The entry editor and the provider sheet: what a user's answers store or
// refuse, and that Cancel, unshown pages and deleting leave everything as it
// was. The runner seam fills the editor in and presses OK or Cancel.

#include "RasTestUtil.h"
#include "dialup/EntryEditorDlg.h"
#include "dialup/PhoneNumberList.h"
#include "dialup/ProviderPropertySheet.h"
#include "dialup/RasApi.h"
#include "framework/MessageBox.h"
#include "platform/ras/RasService.h"
#include "platform/shell/Execute.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace ras;

namespace {

// Answers by field name; combo boxes are given an item's text.
void Fill(CEntryEditorDlg& dlg, const QMap<QString, QString>& fields)
{
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        auto* combo = dlg.findChild<QComboBox*>(it.key());
        if (auto* edit = dlg.findChild<QLineEdit*>(it.key(), Qt::FindDirectChildrenOnly))
            edit->setText(it.value());
        else if (combo)
            combo->isEditable() ? combo->setCurrentText(it.value()) : combo->setCurrentIndex(combo->findText(it.value()));
        else
            QFAIL(qPrintable("no field " + it.key()));
    }
}

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

class TestProviderDialogs : public QObject
{
    Q_OBJECT
    TestEnv m_env;
    std::unique_ptr<CRasApi> m_api;
    std::unique_ptr<CProviderPropertySheet> m_sheet;
    QStringList m_boxes;
    int m_answer = fw::IDYES;
    QMap<QString, QString> m_fields; // the entry editor's answers
    bool m_bOk = true;               // then OK, else Cancel

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
        m_boxes.clear(), m_fields.clear();
        m_answer = fw::IDYES, m_bOk = true;
        fw::SetMessageHandler([this](const fw::MessageRequest& r) { return m_boxes << r.text, m_answer; });
        SetEntryEditorRunner([this](CEntryEditorDlg& dlg) {
            Fill(dlg, m_fields);
            m_bOk ? dlg.accept() : dlg.reject(); // as the OK button does: refused input keeps it open
            return dlg.result();
        });
    }
    void cleanup()
    {
        m_sheet.reset(), m_api.reset();
        SetEntryEditorRunner({}), fw::SetMessageHandler({});
    }

    // Cancel leaves the phonebook as it was; OK stores the answers.
    void createStoresAnswers()
    {
        const QByteArray before = TestEnv::readAll(PhonebookPath());
        m_fields = {{"name", "Never"}, {"phoneNumber", "1"}}, m_bOk = false;
        QVERIFY(CreatePhonebookEntry(nullptr) == ERROR_CANCELLED && EditPhonebookEntry(nullptr, "Alpha") == ERROR_CANCELLED);
        QCOMPARE(TestEnv::readAll(PhonebookPath()), before);
        m_bOk = true;
        m_fields = {{"name", "Dial Me"}, {"phoneNumber", " 555 0100 "}, {"speed", "115200"}, {"initString", "AT&F"},
                    {"authentication", "PAP"}, {"simLine", "busy, connect 33600"}, {"dialMode", "Pulse"},
                    {"pppdOptions", " mtu   1400 "}};
        RasEntry e;
        QVERIFY(CreatePhonebookEntry(nullptr) == ERROR_SUCCESS && m_boxes.isEmpty());
        QCOMPARE(GetEntryProperties("Dial Me", &e, nullptr), ERROR_SUCCESS);
        QCOMPARE(e, (RasEntry{.strLocalPhoneNumber = "555 0100", .dwSpeed = 115200, .strInitString = "AT&F",
                               .strAuthentication = "pap", .strSimLine = "busy, connect 33600", .bPulseDial = true,
                               .strPppdOptions = "mtu 1400"}));
    }

    void refusedInput_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad name") << "name" << "a/b" << "entry name is not valid";
        QTest::newRow("taken name") << "name" << "ALPHA" << "already an entry named \"Alpha\"";
        QTest::newRow("no number") << "phoneNumber" << "  " << "phone number";
        QTest::newRow("speed") << "speed" << "fast" << "bits per second";
        QTest::newRow("line behaviour") << "simLine" << "ring twice" << "\"ring twice\" is not understood";
        QTest::newRow("pppd plugin") << "pppdOptions" << "mtu 1400 Plugin x.so" << "\"Plugin\" cannot be used here";
    }

    // The user is told what is wrong and the dialog stays open.
    void refusedInput()
    {
        QFETCH(QString, message);
        const QByteArray before = TestEnv::readAll(PhonebookPath());
        m_fields = {{"name", "Fine"}, {"phoneNumber", "555"}};
        m_fields[Fetch<QString>("field")] = Fetch<QString>("value");
        QCOMPARE(CreatePhonebookEntry(nullptr), ERROR_CANCELLED);
        QVERIFY2(m_boxes.size() == 1 && m_boxes[0].contains(message), qPrintable(m_boxes.join('|')));
        QCOMPARE(TestEnv::readAll(PhonebookPath()), before);
    }

    // A rename keeps the entry's place (so it is a rename, whose password
    // keeping is the phonebook's test) and what the dialog does not show:
    // per-number behaviours and the device information.
    void editRenamesInPlace()
    {
        RasEntry e = rastest::SimEntry("busy");
        e.mapSimLineByNumber.insert("555 0199", "connect");
        const QByteArray info("device blob");
        QVERIFY(CreateEntry("Middle", e) == ERROR_SUCCESS && SetEntryProperties("Middle", e, &info) == ERROR_SUCCESS);
        rastest::AddEntry("Last");
        m_fields = {{"name", "Centre"}, {"phoneNumber", "777"}};
        QCOMPARE(EditPhonebookEntry(nullptr, "middle"), ERROR_SUCCESS);
        QCOMPARE(rastest::Entries(), (QStringList{"Alpha", "Bravo", "Centre", "Last"}));
        RasEntry back;
        QByteArray backInfo;
        QCOMPARE(GetEntryProperties("Centre", &back, &backInfo), ERROR_SUCCESS);
        e.strLocalPhoneNumber = "777";
        QVERIFY(back == e && backInfo == info);

        // Keeping its own name (in another case) is not a clash.
        m_fields = {{"name", "CENTRE"}};
        QVERIFY(EditPhonebookEntry(nullptr, "Centre") == ERROR_SUCCESS);
        QCOMPARE(rastest::Entries(), (QStringList{"Alpha", "Bravo", "CENTRE", "Last"}));
        QCOMPARE(EditPhonebookEntry(nullptr, "Nobody"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    }

    // A modem that has gone away stays the entry's device; choosing the
    // simulated modem turns the simulated line's field on.
    void devices()
    {
        RasEntry e = rastest::SimEntry("busy");
        e.strDeviceName = "/dev/ttyUSB-unplugged";
        CEntryEditorDlg dlg(nullptr, "Old", e, {"/dev/ttyS0", "/dev/ttyUSB0"});
        auto* device = dlg.findChild<QComboBox*>("device");
        QCOMPARE(QString("%1 %2 ").arg(device->count()).arg(device->currentIndex()) + device->currentText(),
                 QString("4 3 /dev/ttyUSB-unplugged"));
        auto* sim = dlg.findChild<QLineEdit*>("simLine");
        QVERIFY(!sim->isEnabled() && dlg.GetEntry() == e);
        device->setCurrentIndex(0);
        QVERIFY(sim->isEnabled() && dlg.GetEntry() == rastest::SimEntry("busy"));
    }

    void serialPorts()
    {
        const QString dev = m_env.path("dev"), sys = m_env.path("sys");
        QDir().mkpath(dev);
        for (const char* n : {"ttyS0", "ttyS1", "ttyS2", "ttyUSB0", "ttyACM10", "ttyACM2", "tty0", "null", "ttySx"})
            TestEnv::writeAll(dev + "/" + n, "");
        for (auto [n, type] : {std::pair{"ttyS0", "4\n"}, std::pair{"ttyS1", "0\n"}}) {
            QDir().mkpath(sys + "/" + n);
            TestEnv::writeAll(sys + "/" + n + "/type", type);
        }
        // ttyS1 has no UART, ttyS2 no kernel entry: neither is offered.
        QCOMPARE(ListSerialPorts(dev, sys),
                 (QStringList{dev + "/ttyACM2", dev + "/ttyACM10", dev + "/ttyS0", dev + "/ttyUSB0"}));
        // A USB modem with a stable name is offered by that name, first.
        QVERIFY(QDir().mkpath(dev + "/serial/by-id"));
        QVERIFY(QFile::link("../../ttyACM10", dev + "/serial/by-id/usb-Modem_42-if00"));
        QCOMPARE(ListSerialPorts(dev, sys), (QStringList{dev + "/serial/by-id/usb-Modem_42-if00", dev + "/ttyACM2",
                                                         dev + "/ttyS0", dev + "/ttyUSB0"}));
        QVERIFY(ListSerialPorts(m_env.path("nothing"), sys).isEmpty());
    }

    // The Provider page's fields and what OK stores; checking makes the
    // provider the default, unchecking never removes it.
    void provider_data()
    {
        QTest::addColumn<bool>("savedBefore"); // then the password is shown
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("defaultBefore");
        QTest::addColumn<QString>("defaultAfter");
        QTest::newRow("unchecked removes the password")
            << true << "bob" << "typed" << false << "unsaved bob/" << "Bravo" << "Bravo";
        QTest::newRow("empty fields keep what is stored, default checked")
            << true << "" << "" << true << "saved bob/pw" << "Bravo" << "alpha";
        QTest::newRow("new password saved, default unchecked")
            << false << "ann" << "x" << true << "saved ann/x" << "Alpha" << "Alpha";
    }
    void provider()
    {
        QFETCH(bool, savedBefore);
        QFETCH(QString, defaultBefore);
        QFETCH(QString, defaultAfter);
        SetEntryDialParams(rastest::Params("Alpha", "bob", "pw"), !savedBefore);
        m_api->SetDefaultEntry(defaultBefore);
        CProviderPropertyPage1& page = Open("alpha").m_page1;
        QCheckBox* isDefault = page.Item<QCheckBox>(ids::IDC_PROV_DEFAULT);
        QCOMPARE(QStringList({page.Item<QLineEdit>(ids::IDC_PROV_NAME)->text(), page.Item<QLineEdit>(ids::IDC_PROV_USERNAME)->text(),
                              page.Item<QLineEdit>(ids::IDC_PROV_PASSWORD)->text()}),
                 QStringList({"alpha", "bob", savedBefore ? "pw" : ""}));
        QCOMPARE(page.Item<QCheckBox>(ids::IDC_PROV_SAVE_PASSWORD)->isChecked(), savedBefore);
        QCOMPARE(isDefault->isChecked(), defaultBefore == "Alpha");
        isDefault->setChecked(defaultAfter == "alpha");

        page.Item<QLineEdit>(ids::IDC_PROV_USERNAME)->setText(Fetch<QString>("user"));
        page.Item<QLineEdit>(ids::IDC_PROV_PASSWORD)->setText(Fetch<QString>("password"));
        page.Item<QCheckBox>(ids::IDC_PROV_SAVE_PASSWORD)->setChecked(Fetch<bool>("save"));
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QVERIFY(m_sheet->Result() == fw::IDOK && m_api->GetDefaultEntry() == defaultAfter);
        QTEST(rastest::Creds("Alpha"), "stored");
        QCOMPARE(Stored("Alpha"), QString("no key")); // the Dialing page was never shown
    }

    // The Dialing page without stored numbers: the own number ready to add.
    // Add puts numbers first; OK writes the whole key and the own number.
    void dialingPage()
    {
        CProviderPropertyPage3& page = Open("Alpha").m_page3;
        QVERIFY(!page.IsInitialized()); // until it is first shown
        m_sheet->show(), m_sheet->SetActivePage(1);
        auto* list = page.Item<QListWidget>(ids::IDC_PROV_NUMBERS);
        auto* edit = page.Item<QLineEdit>(ids::IDC_PROV_NEW_NUMBER);
        QCOMPARE(edit->text(), QString("555 0100"));
        page.OnAdd();
        for (const char* n : {"555 0199", "555 0111"})
            edit->setText(n), page.OnAdd();
        list->setCurrentRow(0), page.OnDelete();
        list->setCurrentRow(0), page.OnSetDefault();
        QCOMPARE(page.Item<QLabel>(ids::IDC_PROV_DEFAULT_NUMBER)->text(), QString("555 0199"));
        // An empty number field is refused and nothing is written; the
        // shown defaults (off, 5 s, 10 tries) are stored with the numbers.
        page.Item<QLineEdit>(ids::IDC_PROV_TRIES)->setText("");
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(m_boxes, QStringList{res::LoadString(ids::AFX_IDP_PARSE_INT)});
        QVERIFY(m_sheet->Result() == 0 && Stored("Alpha") == "no key");
        page.Item<QLineEdit>(ids::IDC_PROV_TRIES)->setText("10");
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_OK);
        QCOMPARE(Stored("Alpha"), QString("555 0199,555 0100 chain 0 delay 5 tries 10"));
        RasEntry props;
        QVERIFY(GetEntryProperties("Alpha", &props, nullptr) == ERROR_SUCCESS && props.strLocalPhoneNumber == "555 0199");

        // Opened again: the stored values, nothing left to add.
        CProviderPropertyPage3& again = Open("Alpha").m_page3;
        m_sheet->SetActivePage(1);
        QCOMPARE(again.Item<QLineEdit>(ids::IDC_PROV_NEW_NUMBER)->text(), QString());
        again.Item<QLineEdit>(ids::IDC_PROV_NEW_NUMBER)->setText("1"), again.OnAdd();
        m_sheet->PressButton(fw::CPropertySheet::PSBTN_CANCEL);
        QCOMPARE(Stored("Alpha"), QString("555 0199,555 0100 chain 0 delay 5 tries 10"));
    }

    // Delete asks; Yes removes the entry and closes the sheet without
    // applying what the pages hold.
    void deleteProvider()
    {
        CProviderPropertySheet& sheet = Open("Alpha");
        sheet.SetActivePage(1), sheet.m_page3.OnAdd();
        m_answer = fw::IDNO, sheet.m_page1.OnDelete();
        QCOMPARE(m_boxes, QStringList{res::FormatString(ids::IDS_DELETE_ENTRY, {"Alpha"})});
        QCOMPARE(rastest::Entries(), QStringList({"Alpha", "Bravo"}));
        m_answer = fw::IDYES, sheet.m_page1.OnDelete();
        QCOMPARE(rastest::Entries(), QStringList{"Bravo"});
        QTRY_COMPARE(sheet.Result(), fw::IDCANCEL);
        QCOMPARE(Stored("Alpha"), QString("no key"));
    }

    // The login script button appears for an entry that uses a script and
    // opens it (made from the examples when new) with the desktop's handler.
    void loginScript()
    {
        RasEntry e;
        QCOMPARE(GetEntryProperties("Alpha", &e, nullptr), ERROR_SUCCESS);
        e.bLoginScript = true;
        QCOMPARE(SetEntryProperties("Alpha", e, nullptr), ERROR_SUCCESS);
        QStringList started;
        shell::SetProcessStarter([&](const shell::ProcessRequest& r, QString*) { return started << r.arguments, true; });
        auto* button = Open("Alpha").m_page1.Item<QPushButton>(ids::IDC_PROV_SCRIPTER);
        QVERIFY(!button->isHidden());
        button->click();
        shell::SetProcessStarter({});
        QCOMPARE(started, QStringList{ConfigFolder() + "/scripts/Alpha.chat"});
        QVERIFY(QFileInfo(started.value(0)).isFile() && Open("Bravo").m_page1.Item<QPushButton>(ids::IDC_PROV_SCRIPTER)->isHidden());
    }
};

QTEST_MAIN(TestProviderDialogs)
#include "tst_providerdialogs.moc"
