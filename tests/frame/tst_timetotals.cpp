// On-line time accounting and the timer bar: the .tms file a connection
// leaves (week 00 before the first Sunday included), periods that end during
// a connection, damaged stored values, names that must not reach outside the
// home folder, and the panes the user sees.

#include "TestEnv.h"
#include "frame/TimeTotals.h"
#include "frame/TimerBar.h"
#include "platform/registry/Registry.h"
#include "settings/Settings.h"

#include <QtTest>

#include <limits>
#include <memory>

Q_DECLARE_METATYPE(TimerBarFlags)

namespace {

// A local moment, whatever zone the machine is in.
std::time_t local(int y, int mo, int d, int h = 12, int mi = 0)
{
    struct tm t{.tm_min = mi, .tm_hour = h, .tm_mday = d, .tm_mon = mo - 1, .tm_year = y - 1900, .tm_isdst = -1};
    return std::mktime(&t);
}

} // namespace

class tst_TimeTotals : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::time_t m_now = 0;

    QString tms(const QString& entry)
    {
        QString home;
        GetHomeFolder(home);
        QDir().mkpath(home);
        return home + "/" + entry + ".tms";
    }
    CConnectTimes times()
    {
        CConnectTimes t;
        return t.m_strUserName = "tester", t;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        reg::ResetStore();
        CConnectTimes::SetClock([this] { return m_now; });
    }
    void cleanup()
    {
        CConnectTimes::SetClock({});
        m_env.reset();
        reg::ResetStore();
    }

    void firstConnectionFile()
    {
        m_now = local(1997, 3, 5);
        CConnectTimes t = times();
        t.ReadConnectTimes("Acme Net");
        t.OnRasConnectionTime(3720);
        t.CountSecond(), t.CountSecond(), t.CountSecond();
        // Reported again later: those seconds are counted already.
        t.OnRasConnectionTime(3000);
        QVERIFY(t.m_bTimesDirty && t.WriteConnectTimes("Acme Net"));
        QCOMPARE(TestEnv::readAll(tms("Acme Net")),
                 QByteArray("[Dialtop]\nVersion=1\n\n"
                            "[Acme Net]\nFirstConnect=0\nLastConnect=0\n"
                            "1997=3723\n1997-03=3723\n1997-09=3723\n1997-064=3723\n\n"
                            "[tester]\n1997=3723\n1997-03=3723\n1997-09=3723\n1997-064=3723\n"
                            "FirstConnect=0\nLastConnect=0\n"));
    }

    void connectionOverNewYear()
    {
        TestEnv::writeAll(tms("Acme"), "[Acme]\nFirstConnect=7\n1996=100\n1996-12=50\n1996-52=20\n1996-366=10\n"
                                       "1997-001=1000\n");
        const std::time_t start = local(1996, 12, 31, 23, 59);
        m_now = start;
        CConnectTimes t = times();
        t.ReadConnectTimes("Acme");
        for (m_now = start; m_now < start + 120; ++m_now)
            t.CountSecond();
        QCOMPARE(t.m_providerTimes.day, 60); // the new day, shown from midnight
        QVERIFY(t.WriteConnectTimes("Acme"));
        QCOMPARE(TestEnv::readAll(tms("Acme")), QByteArray("[Acme]\nFirstConnect=7\n1996=160\n1996-12=110\n1996-52=80\n1996-366=70\n"
                            "1997-001=1060\nLastConnect=0\n1997=60\n1997-01=60\n1997-00=60\n\n"
                            "[Dialtop]\nVersion=1\n\n"
                            "[tester]\n1996=60\n1996-12=60\n1996-52=60\n1996-366=60\n"
                            "1997=60\n1997-01=60\n1997-00=60\n1997-001=60\nFirstConnect=0\nLastConnect=0\n"));
    }

    void damagedValues()
    {
        m_now = local(1997, 3, 5);
        TestEnv::writeAll(tms("Acme"), "[Acme]\nFirstConnect=-5\nLastConnect=99999999999\n1997=12abc\n"
                                       "1997-03=-5\n1997-09=99999999999\n1997-064=x\n");
        CConnectTimes t = times();
        t.ReadConnectTimes("Acme");
        t.CountSecond(); // never wraps round to a negative total
        const int most = std::numeric_limits<int>::max();
        const TimeTotals& p = t.m_providerTimes;
        QCOMPARE((QList<int>{p.firstConnect, p.lastConnect, p.year, p.month, p.week, p.day}),
                 (QList<int>{-5, most, 13, 1, most, 1}));
    }

    void refusedFiles()
    {
        // Names that would leave the home folder or break their own section.
        for (const char* name : {"../Acme", "a/b", "", "Acme]x", "Line\nbreak"})
            QVERIFY2(ConnectTimesPath("/home/u/dialtop", name).isEmpty(), name);
        QCOMPARE(ConnectTimesPath("/home/u/dialtop/", ".."), QString("/home/u/dialtop/...tms"));
        CConnectTimes t = times();
        t.CountSecond();
        QVERIFY(!t.WriteConnectTimes("../Acme"));
        QVERIFY(QDir(m_env->dataDir()).entryList({"*.tms"}, QDir::Files).isEmpty());

        // A file far larger than any genuine one is neither read nor rewritten.
        m_now = local(1997, 3, 5);
        const QByteArray huge = "[Acme]\n1997=50\n" + QByteArray(5 * 1024 * 1024, ';');
        QVERIFY(TestEnv::writeAll(tms("Acme"), huge));
        t.ReadConnectTimes("Acme");
        t.CountSecond();
        QCOMPARE(t.m_providerTimes.year, 1);
        QVERIFY(!t.WriteConnectTimes("Acme"));
        QCOMPARE(TestEnv::readAll(tms("Acme")), huge);
        // Nor is a device that would never end.
        QVERIFY(QFile::link("/dev/zero", tms("Zero")));
        t.ReadConnectTimes("Zero");
        QVERIFY(!t.WriteConnectTimes("Zero"));
    }

    void timerBarPanes_data()
    {
        QTest::addColumn<TimerBarFlags>("flags");
        QTest::addColumn<QString>("panes");
        QTest::newRow("all five") << TimerBarFlags() << "Not Connected.|Year: |0002:00:05|Month: |01:00:04|"
                                                        "Week: |123:00:00|Today: |00:00:02|Session: |00:00:01";
        QTest::newRow("none") << TimerBarFlags{false, false, false, false, false} << "Not Connected.";
    }
    void timerBarPanes()
    {
        QFETCH(TimerBarFlags, flags);
        CTimerBar bar;
        bar.LayoutTimerBar(TimerBarFlags()); // laid out again after Customize
        bar.SetPaneText(0, "Acme Net");
        bar.LayoutTimerBar(flags);
        bar.ShowConnectTimes(TimeTotals{.session = 1, .day = 2, .week = 123 * 3600, .month = 3604, .year = 7205});
        QStringList texts;
        for (int i = 0; i < bar.GetCount(); ++i)
            texts << bar.GetPaneText(i);
        QTEST(texts.join('|'), "panes");
    }
};

QTEST_MAIN(tst_TimeTotals)
#include "tst_timetotals.moc"
