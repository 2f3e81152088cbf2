// Connections seen by every process of the user: a call made by the
// command-line dialer is listed, hung up from here, and cleaned up when its
// holder dies; damaged records; the dialer's own behaviour and exit codes.

#include "RasTestUtil.h"
#include "platform/ras/ConnectionRecords.h"
#include "platform/ras/Notices.h"
#include "platform/ras/RasService.h"

#include <QtTest>

using namespace ras;

class TestConnections : public QObject
{
    Q_OBJECT
    TestEnv m_env;

    // Starts "dialtop-dial dial ENTRY ..." and waits until it is connected.
    bool StartHolder(QProcess& p, const QStringList& args, QByteArray& out)
    {
        p.start(rastest::DialExe(), QStringList{"dial"} + args);
        if (!p.waitForStarted())
            return false;
        return rastest::WaitForOutput(p, "Connected to", out);
    }

    struct Run
    {
        int code = -1;
        QByteArray out, err;
    };
    static Run Dialer(const QStringList& args, const QByteArray& input = QByteArray())
    {
        QProcess p;
        p.start(rastest::DialExe(), args);
        p.waitForStarted();
        if (!input.isEmpty())
            p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(20000);
        return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }

private slots:
    void init()
    {
        rastest::Reset(m_env);
        rastest::AddEntry("Shared", "connect 33600");
        rastest::AddEntry("Busy Line", "busy");
        rastest::AddEntry("Second", "busy,connect");
        rastest::WriteServiceIni(0.001);
    }

    void madeElsewhereListedAndHungUpHere()
    {
        QProcess holder;
        QByteArray out;
        QVERIFY(StartHolder(holder, {"Shared"}, out));
        QVERIFY(out.contains("Connected to Shared at 33600 bps"));

        QList<RasConn> conns;
        QCOMPARE(EnumConnections(conns), ERROR_SUCCESS);
        QCOMPARE(conns.size(), 1);
        const RasConn c = conns[0];
        QCOMPARE(c.strEntryName, QString("Shared"));
        QCOMPARE(c.nHolderPid, holder.processId());
        QCOMPARE(c.rasconnstate, unsigned(RASCS_Connected));
        QCOMPARE(c.dwSpeed, DWORD(33600));
        RasPppIp ip;
        QCOMPARE(GetProjectionInfo(c.hrasconn, RASP_PppIp, ip), ERROR_SUCCESS);
        QCOMPARE(ip.strIpAddress, c.strIpAddress);
        // Its "Connected to" notice waits for whoever watches.
        const QList<Notice> notices = ListNotices();
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices[0].hConn, c.hrasconn);
        QVERIFY(notices[0].bVisible);
        QCOMPARE(LocalConnectionCount(), 0);

        // Hung up from this process: the holder ends the line and leaves.
        QCOMPARE(HangUp(c.hrasconn), ERROR_SUCCESS);
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(holder.exitStatus(), QProcess::NormalExit);
        QCOMPARE(holder.exitCode(), 0);
        QVERIFY(holder.readAllStandardOutput().contains("Hung up by another program."));
        QVERIFY(!QFile::exists(RecordPath(c.hrasconn)));
        QVERIFY(!QFile::exists(HangUpRequestPath(c.hrasconn)));
        QVERIFY(ListNotices().isEmpty());
        QCOMPARE(EnumConnections(conns), ERROR_SUCCESS);
        QVERIFY(conns.isEmpty());
    }

    void deadHolderRemovedNotReported()
    {
        QProcess holder;
        QByteArray out;
        QVERIFY(StartHolder(holder, {"Shared"}, out));
        QList<RasConn> conns;
        EnumConnections(conns);
        QCOMPARE(conns.size(), 1);
        const HRASCONN h = conns[0].hrasconn;

        holder.kill();
        QVERIFY(holder.waitForFinished());
        QCOMPARE(EnumConnections(conns), ERROR_SUCCESS);
        QVERIFY(conns.isEmpty());
        QVERIFY(!QFile::exists(RecordPath(h)));
        QVERIFY(ListNotices().isEmpty());
        RasConnStatus st;
        QCOMPARE(GetConnectStatus(h, st), ERROR_INVALID_HANDLE);
        QCOMPARE(HangUp(h), ERROR_INVALID_HANDLE);
    }

    void recordsOfOthers_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<bool>("kept");
        const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
        const QByteArray start = QByteArray::number(ProcessStartTicks(QCoreApplication::applicationPid()));
        const QByteArray base = "Handle=abc\nEntry=Shared\nState=8192\nSpeed=9600\n";
        QTest::newRow("live holder") << base + "Holder=" + self + "\nHolderStart=" + start + "\n" << true << true;
        QTest::newRow("no such process") << base + "Holder=999999999\nHolderStart=5\n" << false << false;
        QTest::newRow("pid reused by another process")
            << base + "Holder=" + self + "\nHolderStart=" + QByteArray::number(start.toLongLong() + 1) + "\n" << false
            << false;
        QTest::newRow("damaged") << QByteArray("\x00\x01garbage=\n=\n", 14) << false << true;
        QTest::newRow("no holder") << base << false << true;
        QTest::newRow("oversized") << base + "Holder=" + self + "\nHolderStart=" + start + "\nX=" + QByteArray(9000, 'x')
                                   << false << true;
    }

    void recordsOfOthers()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, listed);
        QFETCH(bool, kept);
        MakePrivateFolder(ConnectionsFolder());
        const QString path = RecordPath(0xabc);
        QVERIFY(TestEnv::writeAll(path, contents));
        QList<RasConn> conns;
        QCOMPARE(EnumConnections(conns), ERROR_SUCCESS);
        QCOMPARE(conns.size(), listed ? 1 : 0);
        QCOMPARE(QFile::exists(path), kept);
        if (listed) {
            QCOMPARE(conns[0].hrasconn, HRASCONN(0xabc));
            QCOMPARE(conns[0].dwSpeed, DWORD(9600));
        }
        QFile::remove(path);
    }

    void recordRoundTrip()
    {
        RasConn c;
        c.hrasconn = 0x7fffffffffffffffull;
        c.strEntryName = QString::fromUtf8("Ünïcode = name; [x]");
        c.strDeviceName = "/dev/ttyUSB0";
        c.rasconnstate = RASCS_Disconnected;
        c.dwError = 691;
        c.dwSpeed = 4294967295u;
        c.strIpAddress = "10.1.2.3";
        c.nStartedMs = 1700000000123;
        c.nConnectedMs = 1700000005000;
        c.nHolderPid = 4194304;
        RasConn back;
        qint64 start = 0;
        QVERIFY(ParseRecord(SerialiseRecord(c, 987654321), back, start));
        QCOMPARE(start, qint64(987654321));
        QCOMPARE(back.hrasconn, c.hrasconn);
        QCOMPARE(back.strEntryName, c.strEntryName);
        QCOMPARE(back.strDeviceName, c.strDeviceName);
        QCOMPARE(back.rasconnstate, c.rasconnstate);
        QCOMPARE(back.dwError, c.dwError);
        QCOMPARE(back.dwSpeed, c.dwSpeed);
        QCOMPARE(back.strIpAddress, c.strIpAddress);
        QCOMPARE(back.nStartedMs, c.nStartedMs);
        QCOMPARE(back.nConnectedMs, c.nConnectedMs);
        QCOMPARE(back.nHolderPid, c.nHolderPid);
    }

    void dialerCommands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("list") << QStringList{"list"} << 0 << QByteArray("Shared\nBusy Line\nSecond\n") << QByteArray();
        QTest::newRow("status, nothing up") << QStringList{"status"} << 0 << QByteArray("No active connections.")
                                            << QByteArray();
        QTest::newRow("busy") << QStringList{"dial", "busy line"} << 255 << QByteArray("Dialing...")
                              << QByteArray("The line is busy. (error 676)");
        QTest::newRow("unknown entry") << QStringList{"dial", "Nobody"} << 255 << QByteArray()
                                       << QByteArray("(error 623)");
        QTest::newRow("hang up nothing") << QStringList{"hangup"} << 255 << QByteArray() << QByteArray("(error 668)");
        QTest::newRow("usage") << QStringList{"frobnicate"} << 2 << QByteArray() << QByteArray("usage:");
    }

    void dialerCommands()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        const Run r = Dialer(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.out.contains(out), r.out.constData());
        QVERIFY2(r.err.contains(err), r.err.constData());
    }

    // A scripted line continues from one dialer run to the next.
    void sequenceAcrossRuns()
    {
        QCOMPARE(Dialer({"dial", "Second"}).code, 255);
        QProcess holder;
        QByteArray out;
        QVERIFY(StartHolder(holder, {"Second"}, out));
        const Run r = Dialer({"hangup", "second"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("Hung up Second."));
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(holder.exitCode(), 0);
    }

    // A password read from standard input is used and never echoed.
    void passwordFromInputAndInterrupt()
    {
        QProcess holder;
        holder.start(rastest::DialExe(), {"dial", "Shared", "alice", "-"});
        QVERIFY(holder.waitForStarted());
        holder.write("pa55word-xyz\n");
        holder.closeWriteChannel();
        QByteArray out;
        QVERIFY(rastest::WaitForOutput(holder, "Connected to", out));
        const Run status = Dialer({"status"});
        QVERIFY(status.out.contains("Shared\tconnected\t33600 bps"));
        // An interrupt hangs up cleanly.
        holder.terminate();
        QVERIFY(holder.waitForFinished(10000));
        QCOMPARE(holder.exitCode(), 0);
        out += holder.readAllStandardOutput();
        const QByteArray err = holder.readAllStandardError();
        QVERIFY(!out.contains("pa55word") && !err.contains("pa55word"));
        QVERIFY(!status.out.contains("pa55word"));
        QVERIFY(QDir(ConnectionsFolder()).entryList({"*.conn"}).isEmpty());
        // Nothing was stored either.
        RasDialParams p;
        p.strEntryName = "Shared";
        bool saved = true;
        GetEntryDialParams(p, saved);
        QVERIFY(!saved);
    }

    void noServiceFolders()
    {
        // A configuration root that is a file cannot hold the service.
        const QString file = m_env.path("not-a-folder");
        TestEnv::writeAll(file, "x");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DIALTOP_CONFIG_DIR", file);
        p.setProcessEnvironment(env);
        p.start(rastest::DialExe(), {"list"});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 255);
        QVERIFY(p.readAllStandardError().contains("cannot be used"));
    }
};

QTEST_GUILESS_MAIN(TestConnections)
#include "tst_connections.moc"
