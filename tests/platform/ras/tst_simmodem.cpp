// Calls on the simulated modem through the service: the progress each line
// behaviour produces, scripted sequences, hang-up, drops, the records and
// notices a connection leaves, and the service's settings and error texts.

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
    bool Ended() const
    {
        return !states.isEmpty() && (states.last() == RASCS_Connected || states.last() == RASCS_Disconnected);
    }
};

DWORD Start(Call& call, const QString& entry, const QString& number = QString())
{
    RasDialParams p;
    p.strEntryName = entry;
    p.strPhoneNumber = number;
    return Dial(
        p,
        [&call](unsigned state, DWORD error) {
            call.states.append(state);
            call.errors.append(error);
        },
        &call.h);
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
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QList<SimStep>>("steps");
        using K = SimStep;
        QTest::newRow("empty") << "" << true << QList<SimStep>{{K::Connect, 28800, 0}};
        QTest::newRow("speed") << " Connect   57600 " << true << QList<SimStep>{{K::Connect, 57600, 0}};
        QTest::newRow("sequence") << "busy,busy,connect" << true
                                  << QList<SimStep>{{K::Busy, 28800, 0}, {K::Busy, 28800, 0}, {K::Connect, 28800, 0}};
        QTest::newRow("failures") << "noanswer, nocarrier ,NODIALTONE,authfail" << true
                                  << QList<SimStep>{{K::NoAnswer, 28800, 0},
                                                    {K::NoCarrier, 28800, 0},
                                                    {K::NoDialTone, 28800, 0},
                                                    {K::AuthFail, 28800, 0}};
        QTest::newRow("drop") << "drop 30" << true << QList<SimStep>{{K::Drop, 28800, 30}};
        QTest::newRow("drop with speed") << "drop 5 14400" << true << QList<SimStep>{{K::Drop, 14400, 5}};
        QTest::newRow("unknown verb") << "ring" << false << QList<SimStep>{};
        QTest::newRow("speed not a number") << "connect fast" << false << QList<SimStep>{};
        QTest::newRow("speed too low") << "connect 10" << false << QList<SimStep>{};
        QTest::newRow("argument to busy") << "busy 3" << false << QList<SimStep>{};
        QTest::newRow("drop without time") << "drop" << false << QList<SimStep>{};
        QTest::newRow("negative drop") << "drop -1" << false << QList<SimStep>{};
        QTest::newRow("empty step") << "busy,,connect" << false << QList<SimStep>{};
        QTest::newRow("extra words") << "connect 28800 now" << false << QList<SimStep>{};
    }

    void parseLine()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QList<SimStep>, steps);
        QList<SimStep> out;
        QCOMPARE(ParseSimLine(text, &out), ok);
        if (ok)
            QCOMPARE(out, steps);
    }

    // Realistic at scale 1 (seconds of dialing), milliseconds when scaled.
    void planTimings()
    {
        auto total = [](const QList<SimEvent>& plan) {
            qint64 sum = 0;
            for (const SimEvent& e : plan)
                sum += e.nDelayMs;
            return sum;
        };
        SimStep connect;
        QVERIFY(total(SimPlan(connect, 1.0)) >= 10000);
        QVERIFY(total(SimPlan(connect, 0.001)) <= 50);
        SimStep busy{SimStep::Busy, 28800, 0};
        QVERIFY(total(SimPlan(busy, 1.0)) < total(SimPlan(connect, 1.0)));
        SimStep drop{SimStep::Drop, 28800, 30};
        QCOMPARE(total(SimPlan(drop, 1.0)) - total(SimPlan(connect, 1.0)), qint64(30000));
        QCOMPARE(SimPlan(drop, 1.0).last().kind, SimEvent::Dropped);
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QList<unsigned>>("states");
        QTest::addColumn<DWORD>("error");
        const QList<unsigned> upToDial = {RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice};
        const QList<unsigned> upToAuth = upToDial + QList<unsigned>{RASCS_DeviceConnected, RASCS_AllDevicesConnected,
                                                                    RASCS_Authenticate};
        QTest::newRow("connect") << "connect 33600"
                                 << upToAuth + QList<unsigned>{RASCS_AuthNotify, RASCS_Authenticated, RASCS_Connected}
                                 << DWORD(0);
        QTest::newRow("busy") << "busy" << upToDial + QList<unsigned>{RASCS_Disconnected} << ERROR_LINE_BUSY;
        QTest::newRow("no answer") << "noanswer" << upToDial + QList<unsigned>{RASCS_Disconnected} << ERROR_NO_ANSWER;
        QTest::newRow("no carrier") << "nocarrier" << upToDial + QList<unsigned>{RASCS_Disconnected}
                                    << ERROR_NO_CARRIER;
        QTest::newRow("no dial tone") << "nodialtone" << upToDial + QList<unsigned>{RASCS_Disconnected}
                                      << ERROR_NO_DIALTONE;
        QTest::newRow("authentication") << "authfail" << upToAuth + QList<unsigned>{RASCS_Disconnected}
                                        << ERROR_AUTHENTICATION_FAILURE;
        QTest::newRow("damaged line description")
            << "" << QList<unsigned>{RASCS_OpenPort, RASCS_Disconnected} << ERROR_FROM_DEVICE;
    }

    void outcomes()
    {
        QFETCH(QString, line);
        QFETCH(QList<unsigned>, states);
        QFETCH(DWORD, error);
        if (QString(QTest::currentDataTag()) == "damaged line description") {
            MakePrivateFolder(ConfigFolder());
            TestEnv::writeAll(PhonebookPath(), "[ISP]\nPhoneNumber=1\nSimLine=ring ring\n");
        } else {
            rastest::AddEntry("ISP", line);
        }
        Call call;
        QCOMPARE(Start(call, "isp"), ERROR_SUCCESS);
        QVERIFY(call.h != 0);
        // Nothing is reported from inside Dial; the record exists at once.
        QVERIFY(call.states.isEmpty());
        RasConnStatus st;
        QCOMPARE(GetConnectStatus(call.h, st), ERROR_SUCCESS);
        QCOMPARE(st.strDeviceName, kSimulatedModem);

        QTRY_VERIFY(call.Ended());
        QCOMPARE(call.states, states);
        QCOMPARE(call.errors.last(), error);
        QCOMPARE(GetConnectStatus(call.h, st), ERROR_SUCCESS);
        QCOMPARE(st.rasconnstate, states.last());
        QCOMPARE(st.dwError, error);

        RasPppIp ip;
        QList<RasConn> conns;
        QCOMPARE(EnumConnections(conns), ERROR_SUCCESS);
        if (error == 0) {
            QCOMPARE(GetProjectionInfo(call.h, RASP_PppIp, ip), ERROR_SUCCESS);
            QVERIFY(ip.strIpAddress.startsWith("192.0.2."));
            QCOMPARE(GetProjectionInfo(call.h, RASP_PppIpx, ip), ERROR_PROTOCOL_NOT_CONFIGURED);
            QCOMPARE(conns.size(), 1);
            QCOMPARE(conns[0].strEntryName, QString("ISP")); // the stored spelling
            QCOMPARE(conns[0].dwSpeed, DWORD(33600));
            QCOMPARE(conns[0].nHolderPid, QCoreApplication::applicationPid());
        } else {
            QCOMPARE(GetProjectionInfo(call.h, RASP_PppIp, ip), ERROR_PROJECTION_NOT_COMPLETE);
            // A failed call is not an active connection.
            QVERIFY(conns.isEmpty());
        }

        QCOMPARE(HangUp(call.h), ERROR_SUCCESS);
        QCOMPARE(GetConnectStatus(call.h, st), ERROR_INVALID_HANDLE);
        QVERIFY(!QFile::exists(RecordPath(call.h)));
        QCOMPARE(HangUp(call.h), ERROR_INVALID_HANDLE);
        QCOMPARE(LocalConnectionCount(), 0);
    }

    // "busy,busy,connect": the third call connects, and so do later ones.
    void scriptedSequence()
    {
        rastest::AddEntry("Seq", "busy,busy,connect 14400");
        const QList<DWORD> expected = {ERROR_LINE_BUSY, ERROR_LINE_BUSY, 0, 0};
        for (DWORD want : expected) {
            Call call;
            QCOMPARE(Start(call, "Seq"), ERROR_SUCCESS);
            QTRY_VERIFY(call.Ended());
            QCOMPARE(call.errors.last(), want);
            HangUp(call.h);
        }
        // A new description starts again from its first step.
        QCOMPARE(SetEntryProperties("Seq", rastest::SimEntry("nocarrier,connect"), nullptr), ERROR_SUCCESS);
        Call call;
        QCOMPARE(Start(call, "Seq"), ERROR_SUCCESS);
        QTRY_VERIFY(call.Ended());
        QCOMPARE(call.errors.last(), ERROR_NO_CARRIER);
        HangUp(call.h);
    }

    void perNumberBehaviour()
    {
        RasEntry e = rastest::SimEntry("connect", "555 0100");
        e.mapSimLineByNumber.insert("555 0199", "busy");
        QCOMPARE(CreateEntry("Multi", e), ERROR_SUCCESS);
        Call viaOther;
        QCOMPARE(Start(viaOther, "Multi", "555 0199"), ERROR_SUCCESS);
        QTRY_VERIFY(viaOther.Ended());
        QCOMPARE(viaOther.errors.last(), ERROR_LINE_BUSY);
        HangUp(viaOther.h);
        Call viaOwn;
        QCOMPARE(Start(viaOwn, "Multi"), ERROR_SUCCESS);
        QTRY_VERIFY(viaOwn.Ended());
        QCOMPARE(viaOwn.states.last(), unsigned(RASCS_Connected));
        HangUp(viaOwn.h);
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
        QCOMPARE(call.states.size(), seen);
        QVERIFY(ListNotices().isEmpty());
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
        QCOMPARE(call.states.last(), unsigned(RASCS_Connected));

        QList<Notice> notices = ListNotices();
        QCOMPARE(notices.size(), 1);
        const Notice up = notices[0];
        QCOMPARE(up.kind, Notice::Connected);
        QCOMPARE(up.strTitle, QString("Connected to Flaky"));
        QVERIFY(up.bVisible);
        QCOMPARE(up.strSpeedText, QString("31200 bps"));
        QCOMPARE(up.TimeText(up.nConnectedMs + 3723000), QString("1:02:03"));
        QVERIFY(HideNotice(up.strId));
        QVERIFY(!HideNotice(up.strId));
        QVERIFY(!ListNotices()[0].bVisible);

        QTRY_COMPARE(call.states.size(), 10);
        QCOMPARE(call.states.last(), unsigned(RASCS_Disconnected));
        QCOMPARE(call.errors.last(), ERROR_PORT_NOT_CONNECTED);
        notices = ListNotices();
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices[0].kind, Notice::Reestablish);
        QCOMPARE(notices[0].strTitle, QString("Reestablish Connection"));
        QCOMPARE(notices[0].strEntryName, QString("Flaky"));
        RasConnStatus st;
        QCOMPARE(GetConnectStatus(call.h, st), ERROR_SUCCESS);
        QCOMPARE(st.rasconnstate, unsigned(RASCS_Disconnected));
        QCOMPARE(st.dwError, ERROR_PORT_NOT_CONNECTED);
        QList<RasConn> conns;
        EnumConnections(conns);
        QVERIFY(conns.isEmpty());

        // The offer outlives the hang-up, and a new call of the entry withdraws it.
        QCOMPARE(HangUp(call.h), ERROR_SUCCESS);
        QCOMPARE(ListNotices().size(), 1);
        QCOMPARE(SetEntryProperties("Flaky", rastest::SimEntry("busy"), nullptr), ERROR_SUCCESS);
        Call again;
        QCOMPARE(Start(again, "flaky"), ERROR_SUCCESS);
        QVERIFY(ListNotices().isEmpty());
        QTRY_VERIFY(again.Ended());
        HangUp(again.h);
    }

    void dialRefused_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<DWORD>("error");
        QTest::newRow("unknown entry") << "Simulated modem" << "Nobody" << ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        QTest::newRow("vanished modem") << "/dev/ttyUSB-gone" << "Dev" << ERROR_DEVICENAME_NOT_FOUND;
        QTest::newRow("no backend for the device") << "/dev/null" << "Dev" << ERROR_PORT_NOT_AVAILABLE;
    }

    void dialRefused()
    {
        QFETCH(QString, device);
        QFETCH(QString, entry);
        QFETCH(DWORD, error);
        RasEntry e = rastest::SimEntry("connect");
        e.strDeviceName = device;
        QCOMPARE(CreateEntry("Dev", e), ERROR_SUCCESS);
        Call call;
        QCOMPARE(Start(call, entry), error);
        QCOMPARE(call.h, HRASCONN(0));
        QTest::qWait(20);
        QVERIFY(call.states.isEmpty());
        QVERIFY(QDir(ConnectionsFolder()).entryList(QDir::Files).isEmpty());
    }

    void settings()
    {
        SetTimeScaleOverride(std::nullopt);
        SetHangUpPauseOverride(std::nullopt);
        QCOMPARE(TimeScale(), 1.0);
        QCOMPARE(HangUpPauseMs(), 3000);
        MakePrivateFolder(ConfigFolder());
        const QString ini = ConfigFolder() + "/service.ini";
        TestEnv::writeAll(ini, "[Timing]\nTimeScale=0.25\nHangUpPause=120\n");
        QCOMPARE(TimeScale(), 0.25);
        QCOMPARE(HangUpPauseMs(), 120);
        TestEnv::writeAll(ini, "[Timing]\nTimeScale=nan\nHangUpPause=-5\n");
        QCOMPARE(TimeScale(), 1.0);
        QCOMPARE(HangUpPauseMs(), 3000);
        SetTimeScaleOverride(0.5);
        SetHangUpPauseOverride(7);
        QCOMPARE(TimeScale(), 0.5);
        QCOMPARE(HangUpPauseMs(), 7);
    }

    void errorTexts()
    {
        const QList<DWORD> codes = {602, 608, 619, 623, 631, 633, 651, 676, 677, 678, 679,
                                    680, 691, 692, 718, 720, 734, 797, 621, 629, 668, E_NOINTERFACE};
        const QString generic = GetErrorString(123456);
        QVERIFY(generic.contains("123456"));
        QSet<QString> seen;
        for (DWORD code : codes) {
            const QString text = GetErrorString(code);
            QVERIFY2(text != GetErrorString(999999).replace("999999", QString::number(code)),
                     qPrintable(QString::number(code)));
            QVERIFY2(!seen.contains(text), qPrintable(QString::number(code)));
            seen.insert(text);
        }
    }
};

QTEST_GUILESS_MAIN(TestSimModem)
#include "tst_simmodem.moc"
