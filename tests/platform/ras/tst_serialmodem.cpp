// The serial backend against a fake modem on a pseudo-terminal and a
// stand-in pppd.

#include "FakeModem.h"
#include "RasTestUtil.h"
#include "platform/ras/ConnectionRecords.h"
#include "platform/ras/LoginScript.h"
#include "platform/ras/Pppd.h"
#include "platform/ras/SerialModem.h"
#include "platform/ras/SerialPort.h"

#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/file.h>

using namespace ras;

namespace {

struct Call
{
    HRASCONN h = 0;
    QList<unsigned> states;
    DWORD error = 0;
    bool done = false; // connected or ended
};

} // namespace

class TestSerialModem : public QObject
{
    Q_OBJECT
    TestEnv m_env;
    std::unique_ptr<CFakeModem> m_pModem;
    QList<std::shared_ptr<Call>> m_calls;

    QString Report() const { return m_env.path("standin.txt"); }
    QString Peers() const { return m_env.path("peers/dialtop"); }

    // Dials "Modem" and waits until the call is up or over.
    std::shared_ptr<Call> DialModem()
    {
        auto call = std::make_shared<Call>();
        m_calls.append(call);
        const DWORD rc = Dial(rastest::Params("Modem", "me", "s3cret-pw"), [call](unsigned state, DWORD error) {
            call->states.append(state);
            if (state == RASCS_Connected || state == RASCS_Disconnected)
                call->error = error, call->done = true;
        }, &call->h);
        if (rc)
            call->error = rc, call->done = true;
        [[maybe_unused]] const bool finished = QTest::qWaitFor([&] { return call->done; }, 15000);
        return call;
    }

    void SetEntry(const std::function<void(RasEntry&)>& change = {})
    {
        RasEntry e{.strLocalPhoneNumber = "555-0100", .strDeviceName = m_pModem->Path(), .dwSpeed = 115200, .nDialTimeout = 5};
        if (change)
            change(e);
        QCOMPARE(SetEntryProperties("Modem", e, nullptr), ERROR_SUCCESS);
    }

    // Ends every call, then waits for the modem to be hung up and released.
    void EndCalls()
    {
        for (const auto& c : std::as_const(m_calls))
            if (c->h)
                HangUp(c->h);
        m_calls.clear();
        WaitForBackgroundHangUps();
    }

private slots:
    void init()
    {
        rastest::Reset(m_env, 0.05);
        QDir().mkpath(m_env.path("peers"));
        QDir(m_env.path("lock")).removeRecursively();
        QDir().mkpath(m_env.path("lock"));
        QString why;
        QVERIFY(!InstallPeersFile(m_env.path("no-ppp/peers/dialtop"), &why) && why.contains("install ppp"));
        QVERIFY(InstallPeersFile(Peers(), &why));
        MakePrivateFolder(ConfigFolder());
        TestEnv::writeAll(ConfigFolder() + "/service.ini",
                          "[Timing]\nTimeScale=0.05\nHangUpPause=0\n[Serial]\nPppd=" PPPD_STANDIN_EXE "\nPeers="
                              + Peers().toUtf8() + "\nLockFolder=" + m_env.path("lock").toUtf8() + "\n");
        qputenv("DIALTOP_STANDIN", "up");
        qputenv("DIALTOP_STANDIN_REPORT", Report().toUtf8());
        QFile::remove(Report());
        m_pModem = std::make_unique<CFakeModem>();
        SetEntry();
    }

    void cleanup()
    {
        EndCalls();
        m_pModem.reset();
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("kind");
        QTest::addColumn<uint>("speed");
        QTest::newRow("connect arq") << QByteArray("CONNECT 33600/ARQ") << int(ModemReply::Connect) << 33600u;
        QTest::newRow("connect lower") << QByteArray(" connect 115200\r") << int(ModemReply::Connect) << 115200u;
        QTest::newRow("connect bare") << QByteArray("CONNECT") << int(ModemReply::Connect) << 0u;
        QTest::newRow("connect huge") << QByteArray("CONNECT 99999999999999") << int(ModemReply::Connect) << 0u;
        QTest::newRow("carrier") << QByteArray("CARRIER 28800") << int(ModemReply::Carrier) << 28800u;
        QTest::newRow("not a word") << QByteArray("CONNECTED") << int(ModemReply::Other) << 0u;
        QTest::newRow("dial tone") << QByteArray("No Dial Tone") << int(ModemReply::NoDialTone) << 0u;
    }

    void replies()
    {
        QFETCH(QByteArray, line);
        const ModemReply r = ParseModemReply(line);
        QTEST(int(r.kind), "kind");
        QTEST(r.dwSpeed, "speed");
    }

    void dialCommands()
    {
        // Nothing that could end the command or add another: the last two refused.
        QCOMPARE(QList<QByteArray>({DialCommand("(555) 01.0-0", false), DialCommand("*99#", false), DialCommand("9w555", true),
                                    DialCommand("555;ATH", false), DialCommand("555\r\nATZ", false)}),
                 (QList<QByteArray>{"ATDT5550100\r", "ATDT*99#\r", "ATDP9W555\r", "", ""}));
    }

    void dialResults_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("errorFor");
        QTest::addColumn<uint>("error");
        QTest::addColumn<QString>("dialed");
        const QByteArray none;
        QTest::newRow("busy") << QByteArray("\r\nBUSY\r\n") << none << 676u << "ATDT5550100";
        QTest::newRow("no answer") << QByteArray("NO ANSWER\r") << none << 678u << "ATDT5550100";
        QTest::newRow("no carrier") << QByteArray("\nNO CARRIER\n") << none << 679u << "ATDT5550100";
        QTest::newRow("dial error") << QByteArray("\r\nERROR\r\n") << none << 651u << "ATDT5550100";
        QTest::newRow("silence") << QByteArray() << none << 678u << "ATDT5550100";
        QTest::newRow("pulse, busy") << QByteArray("BUSY\r\n") << none << 676u << "ATDP5550100";
        QTest::newRow("init error") << QByteArray("\r\nCONNECT\r\n") << QByteArray("AT+CGDCONT=1,\"IP\",\"APN\"") << 651u << "";
    }

    void dialResults()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, errorFor);
        QFETCH(QString, dialed);
        m_pModem->SetDialReply(reply, 20);
        m_pModem->SetErrorFor(errorFor);
        SetEntry([&](RasEntry& e) {
            e.bPulseDial = dialed.startsWith("ATDP");
            if (!errorFor.isEmpty())
                e.strInitString = "at+cgdcont=1,\"IP\",\"apn\"";
        });
        const auto call = DialModem();
        QTEST(uint(call->error), "error");
        QCOMPARE(call->states, (dialed.isEmpty() ? QList<unsigned>{0, 1, RASCS_Disconnected}
                                                 : QList<unsigned>{0, 1, 2, RASCS_Disconnected}));
        if (call->error == 651)
            QCOMPARE(GetDeviceMessage(call->h), QString("ERROR"));
        EndCalls();
        const QStringList events = m_pModem->Events();
        QVERIFY(events.value(0) == "ATZ" && events.contains(dialed) == !dialed.isEmpty());
        // The port is free again.
        QVERIFY(QDir(m_env.path("lock")).isEmpty());
    }

    // Up through pppd: states, speed, address, record, notice, the view of
    // another process, the password's path; then a hang-up from elsewhere.
    void connectThenHangUpElsewhere()
    {
        m_pModem->SetDialReply("\r\nCARRIER 28800\r\nPROTOCOL: LAP-M\r\nCONNECT 115200\r\n", 20);
        const auto call = DialModem();
        QCOMPARE(call->states, (QList<unsigned>{0, 1, 2, 3, 4, 5, 6, 14, RASCS_Connected}));
        RasConn c;
        QCOMPARE(GetConnection(call->h, c), ERROR_SUCCESS);
        QCOMPARE(std::tuple(c.dwSpeed, c.strIpAddress, c.strDeviceName),
                 std::tuple(DWORD(28800), QString("10.64.0.2"), m_pModem->Path()));
        RasPppIp ip;
        QVERIFY(GetProjectionInfo(call->h, RASP_PppIp, ip) == ERROR_SUCCESS && ip.strServerIpAddress == "10.64.0.1");
        QCOMPARE(rastest::NoticeLines(), QStringList{"up: Connected to Modem [Modem] 28800 bps"});
        QVERIFY(QFile::exists(UucpLockPath(m_pModem->Path())));

        // pppd got the line, the options, and the password only by its pipe.
        const QByteArray report = TestEnv::readAll(Report());
        QVERIFY2(report.contains("args=file " + Peers().toUtf8() + " nodetach logfd 3 user me passwordfd 4\n"
                                 "password=s3cret-pw\nline=" + m_pModem->Path().toUtf8() + "\n"),
                 report.constData());
        const qint64 pppd = report.mid(report.indexOf("pid=") + 4).split('\n').value(0).toLongLong();
        QVERIFY(pppd > 0 && ::kill(pid_t(pppd), 0) == 0);
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs))
            QVERIFY2(!TestEnv::readAll("/proc/" + pid + "/cmdline").contains("s3cret-pw"), qPrintable(pid));

        QProcess other;
        other.start(rastest::DialExe(), {"status"});
        QVERIFY(QTest::qWaitFor([&] { return other.state() == QProcess::NotRunning; }, 10000));
        QVERIFY(other.readAllStandardOutput().contains("Modem\tconnected\t28800 bps\t10.64.0.2"));

        other.start(rastest::DialExe(), {"hangup", "modem"});
        QVERIFY(QTest::qWaitFor([&] { return other.state() == QProcess::NotRunning; }, 10000) && other.exitCode() == 0);
        QCOMPARE(call->error, ERROR_USER_DISCONNECTION); // set only once the call has ended
        WaitForBackgroundHangUps();
        QVERIFY(::kill(pid_t(pppd), 0) != 0);
        const QStringList events = m_pModem->Events();
        QVERIFY2(events.contains("dtr-drop") && events.contains("ATH0"), qPrintable(events.join(' ')));
        QVERIFY(QDir(m_env.path("lock")).isEmpty() && ListNotices().isEmpty());
    }

    void pppdEndings_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QString>("setup"); // what is missing
        QTest::addColumn<uint>("error");
        QTest::addColumn<bool>("dropNotice");
        QTest::newRow("auth failed") << QByteArray("authfail") << "" << 691u << false;
        QTest::newRow("not setuid") << QByteArray("exit:3") << "" << 844u << false;
        QTest::newRow("modem hung up") << QByteArray("upexit:16") << "" << 619u << true;
        QTest::newRow("killed elsewhere") << QByteArray("upexit:5") << "" << 631u << false;
        QTest::newRow("carrier lost") << QByteArray("up") << "carrier" << 619u << true;
        QTest::newRow("not set up") << QByteArray("up") << "peers" << 843u << false;
        QTest::newRow("not installed") << QByteArray("up") << "pppd" << 842u << false;
    }

    void pppdEndings()
    {
        QFETCH(QByteArray, mode);
        QFETCH(QString, setup);
        qputenv("DIALTOP_STANDIN", mode);
        if (setup == "peers")
            QFile::remove(Peers());
        if (setup == "pppd") {
            const QString ini = ConfigFolder() + "/service.ini";
            TestEnv::writeAll(ini, TestEnv::readAll(ini).replace(PPPD_STANDIN_EXE, "/nonexistent/pppd"));
        }
        auto call = DialModem();
        if (setup == "carrier")
            m_pModem->LoseCarrier();
        if (mode.startsWith("up")) // up first, then the ending
            QVERIFY(QTest::qWaitFor([&] { return call->states.last() == RASCS_Disconnected; }, 10000));
        QCOMPARE(call->states.last(), unsigned(RASCS_Disconnected));
        QTEST(uint(call->error), "error");
        QTEST(rastest::NoticeLines().contains("offer: Reestablish Connection [Modem]"), "dropNotice");
        if (mode == "upexit:16") { // redialled at once, the new call waits for the old call's hang-up
            qputenv("DIALTOP_STANDIN", "up");
            QCOMPARE(DialModem()->states.last(), unsigned(RASCS_Connected));
        }
        EndCalls();
        QVERIFY(QDir(m_env.path("lock")).isEmpty());
    }

    // A terminal-style login on the line before pppd; a prompt that never
    // comes ends the call.
    void loginScript()
    {
        int bad = 0;
        QVERIFY(!ParseLoginScript("expect ok\nsned x\n", nullptr, &bad) && bad == 2);
        QVERIFY(!ParseLoginScript("timeout 0", nullptr, nullptr));
        SetEntry([](RasEntry& e) { e.bLoginScript = true; });
        QString path;
        QVERIFY(EntryHasLoginScript("modem", &path) && CreateLoginScript("MODEM"));
        QCOMPARE(path, ConfigFolder() + "/scripts/Modem.chat");
        QVERIFY(TestEnv::writeAll(path, TestEnv::readAll(path) + "timeout 2\nexpect ogin:\nsend \"$USER \"\n"));
        m_pModem->SetDialReply("\r\nCONNECT 33600\r\nWelcome\r\nLogin: ");
        QCOMPARE(DialModem()->states.last(), unsigned(RASCS_Connected));
        EndCalls();
        m_pModem->SetDialReply("\r\nCONNECT 33600\r\n");
        QCOMPARE(DialModem()->error, ERROR_SCRIPT_TIMEOUT);
    }

    void heldPort_data()
    {
        QTest::addColumn<QByteArray>("lockContent"); // empty: an flock instead
        QTest::addColumn<uint>("error");
        QTest::newRow("living lock") << QByteArray("         1\n") << 602u;
        QTest::newRow("flock") << QByteArray() << 602u;
        QTest::newRow("stale lock") << QByteArray("1999999999\n") << 676u;
    }

    void heldPort()
    {
        QFETCH(QByteArray, lockContent);
        QFETCH(uint, error);
        m_pModem->SetDialReply("BUSY\r\n");
        const QString lock = UucpLockPath(m_pModem->Path());
        if (lockContent.isEmpty())
            QCOMPARE(::flock(m_pModem->SlaveFd(), LOCK_EX | LOCK_NB), 0);
        else
            TestEnv::writeAll(lock, lockContent);
        const auto call = DialModem();
        QCOMPARE(call->error, DWORD(error));
        EndCalls();
        // Another program's lock stays; a stale one has gone with our call.
        QCOMPARE(QFile::exists(lock), error == 602 && !lockContent.isEmpty());
        if (error == 602)
            QVERIFY(m_pModem->Events().isEmpty());
        ::flock(m_pModem->SlaveFd(), LOCK_UN);
    }
};

QTEST_GUILESS_MAIN(TestSerialModem)
#include "tst_serialmodem.moc"
