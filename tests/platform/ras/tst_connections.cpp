// Connections shared between processes, damaged records, and the
// command-line dialer's exit codes.

#include "RasTestUtil.h"
#include "platform/ras/ConnectionRecords.h"

#include <QtTest>

#include <csignal>

using namespace ras;

namespace {

QList<RasConn> Connections()
{
    QList<RasConn> conns;
    if (EnumConnections(conns) != ERROR_SUCCESS)
        conns.append(RasConn{.strEntryName = "(enumeration failed)"});
    return conns;
}

auto Fields(const RasConn& c)
{
    return std::tuple(c.hrasconn, c.strEntryName, c.strDeviceName, c.rasconnstate, c.dwError, c.dwSpeed,
                      c.strIpAddress, c.nStartedMs, c.nConnectedMs, c.nHolderPid);
}

struct Run
{
    int code = -1;
    QByteArray out, err;
};

Run Dialer(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(rastest::DialExe(), args);
    p.waitForStarted(), p.closeWriteChannel(), p.waitForFinished(20000);
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

// Starts "dialtop-dial dial ARGS..." and waits until it is connected.
bool StartHolder(QProcess& p, const QStringList& args, QByteArray& out, const QByteArray& input = {})
{
    p.start(rastest::DialExe(), QStringList{"dial"} + args);
    if (!p.waitForStarted())
        return false;
    p.write(input);
    p.closeWriteChannel();
    return rastest::WaitForOutput(p, "Connected to", out);
}

} // namespace

class TestConnections : public QObject
{
    Q_OBJECT
    TestEnv m_env;

private slots:
    void init()
    {
        rastest::Reset(m_env);
        rastest::AddEntry("Shared", "connect 33600");
        rastest::AddEntry("Busy Line", "busy");
        rastest::AddEntry("Second", "busy,connect");
        rastest::WriteServiceIni(0.001);
    }

    // The call of another process's holder ends by a hang-up from here, an
    // interrupt or a kill: its record goes (a killed one's with whoever looks
    // next), and none of them is a drop. The password the holder read from
    // standard input is used and never echoed.
    void holderEnds_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : {"hung up here", "interrupted", "killed"})
            QTest::newRow(how) << QString(how);
    }

    void holderEnds()
    {
        QFETCH(QString, how);
        QProcess holder;
        QByteArray out;
        QVERIFY(StartHolder(holder, {"Shared", "alice", "-"}, out, "pa55word-xyz\n"));
        QVERIFY(out.contains("Connected to Shared at 33600 bps"));
        const QList<RasConn> conns = Connections();
        QCOMPARE(conns.size(), 1);
        const HRASCONN h = conns[0].hrasconn;
        QCOMPARE(std::tuple(conns[0].strEntryName, conns[0].nHolderPid, rastest::Status(h)),
                 std::tuple(QString("Shared"), holder.processId(), QString("connected 0")));
        // Its "Connected to" notice waits for whoever watches.
        QCOMPARE(rastest::NoticeLines(), QStringList{"up: Connected to Shared [Shared] 33600 bps"});

        if (how == "hung up here")
            QCOMPARE(HangUp(h), ERROR_SUCCESS);
        else
            how == "killed" ? holder.kill() : holder.terminate();
        QVERIFY(holder.waitForFinished(10000) && (how == "killed" || holder.exitCode() == 0));
        out += holder.readAllStandardOutput() + holder.readAllStandardError();
        QVERIFY(out.contains("Hung up by another program.") == (how == "hung up here") && !out.contains("pa55word"));
        QCOMPARE(rastest::Creds("Shared"), QString("unsaved /")); // nothing was stored either
        QVERIFY(Connections().isEmpty() && !QFile::exists(RecordPath(h)) && !QFile::exists(HangUpRequestPath(h)));
        QVERIFY(ListNotices().isEmpty());
        QCOMPARE(HangUp(h), ERROR_INVALID_HANDLE);
    }

    void recordsOfOthers_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<bool>("kept");
        const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
        const qint64 start = ProcessStartTicks(QCoreApplication::applicationPid());
        const QByteArray base = "Handle=abc\nEntry=Shared\nState=8192\nSpeed=9600\n";
        const auto held = [&](qint64 ticks) { return base + "Holder=" + self + "\nHolderStart=" + QByteArray::number(ticks) + "\n"; };
        QTest::newRow("live holder") << held(start) << true << true;
        QTest::newRow("no such process") << base + "Holder=999999999\nHolderStart=5\n" << false << false;
        QTest::newRow("pid reused by another process") << held(start + 1) << false << false;
        QTest::newRow("damaged") << QByteArray("\x00\x01garbage=\n=\n", 14) << false << true;
        QTest::newRow("no holder") << base << false << true;
        QTest::newRow("oversized") << held(start) + "X=" + QByteArray(9000, 'x') << false << true;
    }

    void recordsOfOthers()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, listed);
        MakePrivateFolder(ConnectionsFolder());
        const QString path = RecordPath(0xabc);
        QVERIFY(TestEnv::writeAll(path, contents));
        const QList<RasConn> conns = Connections();
        QCOMPARE(conns.size() == 1 && conns[0].hrasconn == HRASCONN(0xabc), listed);
        QTEST(QFile::exists(path), "kept");
    }

    void recordRoundTrip()
    {
        const RasConn c{0x7fffffffffffffffull, QString::fromUtf8("Ünïcode = name; [x]"), "/dev/ttyUSB0",
                        RASCS_Disconnected, 691, 4294967295u, "10.1.2.3", 1700000000123, 1700000005000, 4194304};
        RasConn back;
        qint64 start = 0;
        QVERIFY(ParseRecord(SerialiseRecord(c, 987654321), back, start) && start == 987654321);
        QCOMPARE(Fields(back), Fields(c));

        // a name cut to its limit keeps whole characters
        RasConn longName = c;
        longName.strEntryName = QString(255, 'n') + QString::fromUtf8("😀");
        QVERIFY(ParseRecord(SerialiseRecord(longName, 1), back, start) && back.strEntryName == QString(255, 'n'));
    }

    void dialerCommands_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<QString>("setup"); // "big book": over the phonebook limit; "no folder": root is a file
        QTest::newRow("list") << QStringList{"list"} << 0 << QByteArray("Shared\nBusy Line\nSecond\n") << QByteArray() << QString();
        // The exit status is the error code minus 600.
        QTest::newRow("busy") << QStringList{"dial", "busy line"} << 76 << QByteArray("Dialing...")
                              << QByteArray("dialtop-dial: The line is busy. (error 676)") << QString();
        QTest::newRow("hang up nothing") << QStringList{"hangup"} << 68 << QByteArray() << QByteArray("(error 668)") << QString();
        QTest::newRow("no such entry") << QStringList{"dial", "Nobody"} << 23 << QByteArray()
                                       << QByteArray("no entry of that name. (error 623)") << QString();
        QTest::newRow("password too long") << QStringList{"dial", "Shared", "me", QString(257, 'p')} << 3
                                           << QByteArray() << QByteArray("The password is too long") << QString();
        QTest::newRow("usage") << QStringList{"frobnicate"} << 2 << QByteArray() << QByteArray("usage:") << QString();
        // A phonebook that cannot be opened is reported as such by every command.
        QTest::newRow("dial, phonebook too large") << QStringList{"dial", "Shared"} << 21 << QByteArray()
                                                   << QByteArray("(error 621)") << "big book";
        QTest::newRow("no service folders") << QStringList{"list"} << 1 << QByteArray() << QByteArray("cannot be used")
                                            << "no folder";
    }

    void dialerCommands()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(QString, setup);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (setup == "big book")
            QVERIFY(TestEnv::writeAll(PhonebookPath(), QByteArray(kMaxPhonebookBytes + 1, '\n')));
        if (setup == "no folder") {
            TestEnv::writeAll(m_env.path("not-a-folder"), "x");
            env.insert("DIALTOP_CONFIG_DIR", m_env.path("not-a-folder"));
        }
        const Run r = Dialer(args, env);
        QTEST(r.code, "code");
        QVERIFY2(r.out.contains(out), r.out.constData());
        QVERIFY2(r.err.contains(err), r.err.constData());
    }

    // A scripted line continues from one dialer run to the next; one call
    // per entry at a time, whichever process dials it.
    void sequenceAcrossRunsAndSecondDialRefused()
    {
        QCOMPARE(Dialer({"dial", "Second"}).code, 76);
        QProcess holder;
        QByteArray out;
        QVERIFY(StartHolder(holder, {"Second"}, out));
        const Run second = Dialer({"dial", "second"});
        QVERIFY(second.code == 156 && second.err.contains("already being dialled or is connected. (error 756)"));
        QCOMPARE(Connections().size(), 1);
        const Run r = Dialer({"hangup", "second"});
        QVERIFY(r.code == 0 && r.out.contains("Hung up Second."));
        QVERIFY(holder.waitForFinished(10000) && holder.exitCode() == 0);
    }

    // A holder that does not answer is reported, and the others still end.
    void hangUpTriesEveryLine()
    {
        rastest::AddEntry("Other", "connect 9600");
        QProcess stopped, other;
        QByteArray out1, out2;
        QVERIFY(StartHolder(stopped, {"Shared"}, out1));
        QVERIFY(StartHolder(other, {"Other"}, out2));
        ::kill(pid_t(stopped.processId()), SIGSTOP);
        const Run r = Dialer({"hangup"});
        ::kill(pid_t(stopped.processId()), SIGCONT);
        QCOMPARE(r.code, 92);
        QVERIFY2(r.err.contains("dialtop-dial: Shared: The modem failed or is not responding. (error 692)"),
                 r.err.constData());
        QVERIFY2(r.out.contains("Hung up Other."), (r.out + r.err).constData());
        QVERIFY(other.waitForFinished(10000));
        stopped.terminate();
        QVERIFY(stopped.waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(TestConnections)
#include "tst_connections.moc"
