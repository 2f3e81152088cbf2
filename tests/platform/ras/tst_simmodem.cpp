// Calls on the simulated modem: progress per line behaviour, sequences,
// hang-up, drops, records and notices, settings and error texts.

#include "RasTestUtil.h"
#include "platform/ras/ConnectionRecords.h"
#include "platform/ras/Notices.h"
#include "platform/ras/RasService.h"
#include "platform/ras/SimModem.h"

#include <QtTest>

using namespace ras;

namespace {

struct Call
{
    HRASCONN h = 0;
    QList<unsigned> states;
    QList<DWORD> errors;
    bool Ended() const { return states.endsWith(RASCS_Connected) || states.endsWith(RASCS_Disconnected); }
};

DWORD Start(Call& call, const QString& entry, const QString& number = QString())
{
    RasDialParams p{.strEntryName = entry, .strPhoneNumber = number};
    return Dial(p, [&call](unsigned state, DWORD error) { call.states.append(state), call.errors.append(error); }, &call.h);
}

// How one whole call ends: "connected" or "error N"; hung up afterwards.
QString Outcome(const QString& entry, const QString& number = QString())
{
    Call call;
    if (const DWORD rc = Start(call, entry, number))
        return QStringLiteral("refused %1").arg(rc);
    const bool ended = QTest::qWaitFor([&call] { return call.Ended(); });
    HangUp(call.h);
    if (!ended)
        return QStringLiteral("still dialing");
    return call.states.last() == RASCS_Connected ? QStringLiteral("connected")
                                                 : QStringLiteral("error %1").arg(call.errors.last());
}

} // namespace

class TestSimModem : public QObject
{
    Q_OBJECT
    TestEnv m_env;

private slots:
    void init() { rastest::Reset(m_env); }
    void cleanup()
    {
        QList<RasConn> conns;
        EnumConnections(conns);
        for (const RasConn& c : conns)
            HangUp(c.hrasconn);
    }

    void parseLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<SimStep>>("steps"); // empty: refused
        using K = SimStep;
        using L = QList<SimStep>;
        QTest::newRow("empty") << "" << L{{K::Connect, 28800, 0}};
        QTest::newRow("speed") << " Connect   57600 " << L{{K::Connect, 57600, 0}};
        QTest::newRow("sequence") << "busy,busy,connect" << L{{K::Busy, 28800, 0}, {K::Busy, 28800, 0}, {K::Connect, 28800, 0}};
        QTest::newRow("drop with speed") << "drop 5 14400" << L{{K::Drop, 14400, 5}};
        for (const char* bad : {"ring", "connect 10", "busy 3", "drop", "busy,,connect"})
            QTest::newRow(bad) << bad << L{};
    }

    void parseLine()
    {
        QFETCH(QString, text);
        QList<SimStep> out;
        const bool ok = ParseSimLine(text, &out);
        QTEST(ok ? out : QList<SimStep>{}, "steps");
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<unsigned>>("states");
        QTest::addColumn<DWORD>("error");
        using L = QList<unsigned>;
        const L dial = {RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice};
        const L auth = dial + L{RASCS_DeviceConnected, RASCS_AllDevicesConnected, RASCS_Authenticate};
        const L down = {RASCS_Disconnected};
        QTest::newRow("connect") << "connect 33600"
                                 << auth + L{RASCS_AuthNotify, RASCS_Authenticated, RASCS_Connected} << DWORD(0);
        QTest::newRow("busy") << "busy" << dial + down << ERROR_LINE_BUSY;
        QTest::newRow("authentication") << "authfail" << auth + down << ERROR_AUTHENTICATION_FAILURE;
        QTest::newRow("damaged line description") << "" << L{RASCS_OpenPort, RASCS_Disconnected} << ERROR_FROM_DEVICE;
    }

    void outcomes()
    {
        QFETCH(QString, line);
        QFETCH(DWORD, error);
        if (error == ERROR_FROM_DEVICE) {
            MakePrivateFolder(ConfigFolder());
            TestEnv::writeAll(PhonebookPath(), "[ISP]\nPhoneNumber=1\nSimLine=ring ring\n");
        } else {
            rastest::AddEntry("ISP", line);
        }
        Call call;
        QCOMPARE(Start(call, "isp"), ERROR_SUCCESS);
        // Nothing is reported from inside Dial; the record exists at once.
        QVERIFY(call.states.isEmpty() && rastest::Status(call.h).startsWith("state "));
        QTRY_VERIFY(call.Ended());
        QTEST(call.states, "states");
        QCOMPARE(call.errors.last(), error);
        QCOMPARE(rastest::Status(call.h), QString(error ? "disconnected %1" : "connected %1").arg(error));

        QList<RasConn> conns; // a failed call is not an active connection
        QVERIFY(EnumConnections(conns) == ERROR_SUCCESS && conns.size() == (error ? 0 : 1));
        if (error == 0) {
            RasPppIp ip;
            QVERIFY(GetProjectionInfo(call.h, RASP_PppIp, ip) == ERROR_SUCCESS && ip.strIpAddress.startsWith("192.0.2."));
            QCOMPARE(std::tuple(conns[0].strEntryName, conns[0].dwSpeed, conns[0].nHolderPid), // the stored spelling
                     std::tuple(QString("ISP"), DWORD(33600), QCoreApplication::applicationPid()));
        }

        QCOMPARE(HangUp(call.h), ERROR_SUCCESS);
        QCOMPARE(rastest::Status(call.h), QString("invalid handle"));
        QVERIFY(!QFile::exists(RecordPath(call.h)) && LocalConnectionCount() == 0);
    }

    // "busy,busy,connect": the third call connects, and so do later ones; a
    // new description starts again from its first step; a number of its own
    // has its own behaviour.
    void scriptedSequencesAndNumbers()
    {
        rastest::AddEntry("Seq", "busy,busy,connect 14400");
        for (const char* want : {"error 676", "error 676", "connected", "connected"})
            QCOMPARE(Outcome("Seq"), QString(want));
        QCOMPARE(SetEntryProperties("Seq", rastest::SimEntry("nocarrier,connect"), nullptr), ERROR_SUCCESS);
        QCOMPARE(Outcome("Seq"), QString("error 679"));

        RasEntry e = rastest::SimEntry("connect", "555 0100");
        e.mapSimLineByNumber.insert("555 0199", "busy");
        QCOMPARE(CreateEntry("Multi", e), ERROR_SUCCESS);
        QCOMPARE(Outcome("Multi", "555 0199") + ", " + Outcome("Multi"), QString("error 676, connected"));
    }

    void hangUpWhileDialing()
    {
        rastest::AddEntry("Slow", "connect");
        ras::SetTimeScaleOverride(0.01);
        Call call;
        QCOMPARE(Start(call, "Slow"), ERROR_SUCCESS);
        QTRY_VERIFY(call.states.contains(RASCS_ConnectDevice));
        QCOMPARE(HangUp(call.h), ERROR_SUCCESS);
        const qsizetype seen = call.states.size();
        QTest::qWait(300);
        QVERIFY(call.states.size() == seen && ListNotices().isEmpty());
    }

    // Up: a visible "Connected to" notice. Dropped: that notice goes, an
    // offer to reestablish comes, and the record shows the loss until hung up.
    void connectionNoticesAndDrop()
    {
        rastest::AddEntry("Flaky", "drop 10 31200");
        ras::SetTimeScaleOverride(0.05);
        Call call;
        QCOMPARE(Start(call, "Flaky"), ERROR_SUCCESS);
        QTRY_VERIFY(call.Ended());
        const QList<Notice> notices = ListNotices();
        QCOMPARE(rastest::NoticeLines(), QStringList{"up: Connected to Flaky [Flaky] 31200 bps"});
        QCOMPARE(notices[0].TimeText(notices[0].nConnectedMs + 3723000), QString("1:02:03"));
        QVERIFY(HideNotice(notices[0].strId));
        QCOMPARE(rastest::NoticeLines(), QStringList{"up: Connected to Flaky [Flaky] 31200 bps (hidden)"});

        QTRY_COMPARE(call.states.size(), 10);
        QVERIFY(call.states.last() == RASCS_Disconnected && call.errors.last() == ERROR_PORT_NOT_CONNECTED);
        const QStringList offer{"offer: Reestablish Connection [Flaky]"};
        QCOMPARE(rastest::NoticeLines(), offer);
        QCOMPARE(rastest::Status(call.h), QString("disconnected 619"));

        // The offer outlives the hang-up, and a new call of the entry withdraws it.
        QVERIFY(HangUp(call.h) == ERROR_SUCCESS && rastest::NoticeLines() == offer);
        Call again;
        QCOMPARE(Start(again, "flaky"), ERROR_SUCCESS);
        QVERIFY(ListNotices().isEmpty());
        QTRY_VERIFY(again.Ended());
        HangUp(again.h);
    }

    // A refused call leaves no handle and no record. A plain file is no
    // modem (a character device is dialled, and refused when it is no line).
    void dialRefused()
    {
        for (auto [name, device] : {std::pair{"Gone", "/dev/ttyUSB-gone"}, std::pair{"Null", "/proc/version"}}) {
            RasEntry e = rastest::SimEntry("connect");
            e.strDeviceName = device;
            QCOMPARE(CreateEntry(name, e), ERROR_SUCCESS);
        }
        for (auto [entry, error] : {std::pair{"Nobody", ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},
                                    std::pair{"Gone", ERROR_DEVICENAME_NOT_FOUND},
                                    std::pair{"Null", ERROR_PORT_NOT_AVAILABLE}}) {
            Call call;
            QVERIFY(Start(call, entry) == error && call.h == HRASCONN(0));
        }
        QVERIFY(QDir(ConnectionsFolder()).entryList(QDir::Files).isEmpty());
    }

    // Timings from the service's file; damaged ones are the defaults.
    void settings()
    {
        const auto both = [] { return qMakePair(TimeScale(), HangUpPauseMs()); };
        SetTimeScaleOverride(std::nullopt), SetHangUpPauseOverride(std::nullopt);
        const auto defaults = both();
        MakePrivateFolder(ConfigFolder());
        const QString ini = ConfigFolder() + "/service.ini";
        TestEnv::writeAll(ini, "[Timing]\nTimeScale=0.25\nHangUpPause=120\n");
        QCOMPARE(both(), qMakePair(0.25, 120));
        TestEnv::writeAll(ini, "[Timing]\nTimeScale=nan\nHangUpPause=-5\n");
        QCOMPARE(both(), defaults);
    }

    // Known codes have texts of their own; an unknown one shows its number.
    void errorTexts()
    {
        const QString unknown = GetErrorString(999999).replace("999999", "N");
        QVERIFY(GetErrorString(123456).contains("123456"));
        QCOMPARE((QSet<QString>{unknown, GetErrorString(ERROR_LINE_BUSY), GetErrorString(ERROR_NO_CARRIER)}).size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestSimModem)
#include "tst_simmodem.moc"
