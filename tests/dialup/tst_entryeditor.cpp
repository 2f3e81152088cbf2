// The entry editor: what a user's answers store, what it refuses and says,
// and the serial ports it offers. The dialog is never run modally: the
// runner seam fills it in and presses OK or Cancel.

#include "RasTestUtil.h"
#include "framework/MessageBox.h"
#include "dialup/EntryEditorDlg.h"
#include "platform/ras/RasService.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace ras;

namespace {

struct Answers
{
    QMap<QString, QString> fields; // objectName -> text (combo boxes: item text)
    bool bOk = true;
};

void Fill(CEntryEditorDlg& dlg, const Answers& a)
{
    for (auto it = a.fields.cbegin(); it != a.fields.cend(); ++it) {
        if (auto* edit = dlg.findChild<QLineEdit*>(it.key(), Qt::FindDirectChildrenOnly)) {
            edit->setText(it.value());
        } else if (auto* combo = dlg.findChild<QComboBox*>(it.key())) {
            if (combo->isEditable())
                combo->setCurrentText(it.value());
            else
                combo->setCurrentIndex(combo->findText(it.value()));
        } else {
            QFAIL(qPrintable("no field " + it.key()));
        }
    }
}

} // namespace

class TestEntryEditor : public QObject
{
    Q_OBJECT
    TestEnv m_env;
    QStringList m_messages;
    Answers m_answers;
    int m_nRuns = 0;

private slots:
    void initTestCase()
    {
        fw::SetMessageHandler([this](const fw::MessageRequest& r) {
            m_messages.append(r.text);
            return fw::IDOK;
        });
        SetEntryEditorRunner([this](CEntryEditorDlg& dlg) {
            ++m_nRuns;
            Fill(dlg, m_answers);
            if (!m_answers.bOk)
                dlg.reject();
            else
                dlg.accept(); // as the OK button does: refused input keeps it open
            return dlg.result();
        });
    }
    void cleanupTestCase()
    {
        SetEntryEditorRunner({});
        fw::SetMessageHandler({});
    }
    void init()
    {
        rastest::Reset(m_env);
        m_messages.clear();
        m_answers = Answers{};
        m_nRuns = 0;
    }

    void createStoresAnswers()
    {
        m_answers.fields = {{"name", "Dial Me"},
                            {"phoneNumber", " 555 0100 "},
                            {"speed", "115200"},
                            {"initString", "AT&F"},
                            {"authentication", "PAP"},
                            {"simLine", "busy, connect 33600"},
                            {"dialMode", "Pulse"},
                            {"pppdOptions", " mtu   1400 "}};
        QCOMPARE(CreatePhonebookEntry(nullptr), ERROR_SUCCESS);
        QVERIFY(m_messages.isEmpty());
        RasEntry e;
        QCOMPARE(GetEntryProperties("Dial Me", &e, nullptr), ERROR_SUCCESS);
        QCOMPARE(e, (RasEntry{.strLocalPhoneNumber = "555 0100", .dwSpeed = 115200, .strInitString = "AT&F",
                               .strAuthentication = "pap", .strSimLine = "busy, connect 33600", .bPulseDial = true,
                               .strPppdOptions = "mtu 1400"}));
    }

    void cancelLeavesNothing()
    {
        m_answers.fields = {{"name", "Never"}, {"phoneNumber", "1"}};
        m_answers.bOk = false;
        QCOMPARE(CreatePhonebookEntry(nullptr), ERROR_CANCELLED);
        QVERIFY(!QFile::exists(PhonebookPath()));
        rastest::AddEntry("Kept", "busy");
        const QByteArray before = TestEnv::readAll(PhonebookPath());
        m_answers.fields = {{"name", "Renamed"}, {"phoneNumber", "2"}};
        QCOMPARE(EditPhonebookEntry(nullptr, "Kept"), ERROR_CANCELLED);
        QCOMPARE(TestEnv::readAll(PhonebookPath()), before);
    }

    void refusedInput_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("bad name") << "name" << "a/b" << "entry name is not valid";
        QTest::newRow("taken name") << "name" << "EXISTING" << "already an entry named \"Existing\"";
        QTest::newRow("no number") << "phoneNumber" << "  " << "phone number";
        QTest::newRow("speed") << "speed" << "fast" << "bits per second";
        QTest::newRow("line behaviour") << "simLine" << "ring twice" << "\"ring twice\" is not understood";
        QTest::newRow("pppd plugin") << "pppdOptions" << "mtu 1400 Plugin x.so" << "\"Plugin\" cannot be used here";
    }

    // The user is told what is wrong and the dialog stays open.
    void refusedInput()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        rastest::AddEntry("Existing");
        const QByteArray before = TestEnv::readAll(PhonebookPath());
        m_answers.fields = {{"name", "Fine"}, {"phoneNumber", "555"}};
        m_answers.fields[field] = value;
        QCOMPARE(CreatePhonebookEntry(nullptr), ERROR_CANCELLED);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(message), qPrintable(m_messages[0]));
        QCOMPARE(TestEnv::readAll(PhonebookPath()), before);
    }

    // A rename keeps the entry's place, its stored password and what the
    // dialog does not show: per-number behaviours and the device information.
    void editRenamesInPlace()
    {
        rastest::AddEntry("First");
        RasEntry e = rastest::SimEntry("busy");
        e.mapSimLineByNumber.insert("555 0199", "connect");
        const QByteArray info("device blob");
        QCOMPARE(CreateEntry("Middle", e), ERROR_SUCCESS);
        QCOMPARE(SetEntryProperties("Middle", e, &info), ERROR_SUCCESS);
        rastest::AddEntry("Last");
        QCOMPARE(SetEntryDialParams(rastest::Params("Middle", "mid", "pw"), false), ERROR_SUCCESS);
        m_answers.fields = {{"name", "Centre"}, {"phoneNumber", "777"}};
        QCOMPARE(EditPhonebookEntry(nullptr, "middle"), ERROR_SUCCESS);
        QCOMPARE(rastest::Entries(), (QStringList{"First", "Centre", "Last"}));
        RasEntry back;
        QByteArray backInfo;
        QCOMPARE(GetEntryProperties("Centre", &back, &backInfo), ERROR_SUCCESS);
        e.strLocalPhoneNumber = "777";
        QCOMPARE(back, e);
        QCOMPARE(backInfo, info);
        QCOMPARE(rastest::Creds("Centre"), QString("saved mid/pw"));

        // Keeping its own name (in another case) is not a clash.
        m_answers.fields = {{"name", "CENTRE"}};
        QCOMPARE(EditPhonebookEntry(nullptr, "Centre"), ERROR_SUCCESS);
        QCOMPARE(rastest::Entries(), (QStringList{"First", "CENTRE", "Last"}));
        QCOMPARE(EditPhonebookEntry(nullptr, "Nobody"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    }

    void devices()
    {
        // A modem that has gone away stays the entry's device; choosing a
        // serial port turns the simulated line's field off.
        RasEntry e = rastest::SimEntry("busy");
        e.strDeviceName = "/dev/ttyUSB-unplugged";
        CEntryEditorDlg dlg(nullptr, "Old", e, {"/dev/ttyS0", "/dev/ttyUSB0"});
        auto* device = dlg.findChild<QComboBox*>("device");
        QStringList items;
        for (int i = 0; i < device->count(); ++i)
            items << device->itemText(i);
        QCOMPARE(items, (QStringList{kSimulatedModem, "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB-unplugged"}));
        QCOMPARE(device->currentText(), QString("/dev/ttyUSB-unplugged"));
        auto* sim = dlg.findChild<QLineEdit*>("simLine");
        QVERIFY(!sim->isEnabled());
        QCOMPARE(dlg.GetEntry(), e);
        device->setCurrentIndex(0);
        QVERIFY(sim->isEnabled());
        QCOMPARE(dlg.GetEntry(), rastest::SimEntry("busy"));
    }

    void serialPorts()
    {
        const QString dev = m_env.path("dev");
        const QString sys = m_env.path("sys");
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
};

QTEST_MAIN(TestEntryEditor)
#include "tst_entryeditor.moc"
