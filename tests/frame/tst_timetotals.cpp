// On-line time accounting: the .tms file a connection leaves, periods that
// end during a connection, damaged stored values and names that must not
// reach outside the home folder.

#include "TestEnv.h"
#include "frame/TimeTotals.h"
#include "platform/registry/Registry.h"
#include "settings/Settings.h"

#include <QtTest>

#include <limits>
#include <memory>

namespace {

// A local moment, whatever zone the machine is in.
std::time_t local(int year, int month, int day, int hour = 12, int minute = 0)
{
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
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
        t.m_strUserName = "tester";
        return t;
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

    void periodKeys_data()
    {
        QTest::addColumn<std::time_t>("when");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("Wednesday 5 March") << local(1997, 3, 5) << QStringList{"1997", "1997-03", "1997-09", "1997-064"};
        QTest::newRow("before the first Sunday") << local(1997, 1, 1) << QStringList{"1997", "1997-01", "1997-00", "1997-001"};
        QTest::newRow("a Sunday 1 January") << local(1995, 1, 1) << QStringList{"1995", "1995-01", "1995-01", "1995-001"};
        QTest::newRow("leap year's last day") << local(1996, 12, 31, 23, 59) << QStringList{"1996", "1996-12", "1996-52", "1996-366"};
    }
    void periodKeys()
    {
        QFETCH(std::time_t, when);
        const PeriodKeys k = FormatPeriodKeys(when);
        QFETCH(QStringList, keys);
        QCOMPARE((QStringList{k.year, k.month, k.week, k.day}), keys);
    }

    void firstConnectionFile()
    {
        m_now = local(1997, 3, 5);
        CConnectTimes t = times();
        t.ReadConnectTimes("Acme Net");
        t.OnRasConnectionTime(3720);
        for (int i = 0; i < 3; ++i)
            t.CountSecond();
        // Reported again later: those seconds are counted already.
        t.OnRasConnectionTime(3000);
        QCOMPARE(t.m_providerTimes.session, 3723);
        QVERIFY(t.m_bTimesDirty);
        QVERIFY(t.WriteConnectTimes("Acme Net"));
        QCOMPARE(TestEnv::readAll(tms("Acme Net")),
                 QByteArray("[Dialtop]\nVersion=1\n\n"
                            "[Acme Net]\nFirstConnect=0\nLastConnect=0\n"
                            "1997=3723\n1997-03=3723\n1997-09=3723\n1997-064=3723\n\n"
                            "[tester]\n1997=3723\n1997-03=3723\n1997-09=3723\n1997-064=3723\n"
                            "FirstConnect=0\nLastConnect=0\n"));

        // The next connection that day starts from those totals.
        CConnectTimes again = times();
        again.ReadConnectTimes("Acme Net");
        QCOMPARE(again.m_userTimes.day, 3723);
        QCOMPARE(again.m_providerTimes.session, 0);
    }

    void connectionOverNewYear()
    {
        TestEnv::writeAll(tms("Acme"), "[Acme]\nFirstConnect=7\n1996=100\n1996-12=50\n1996-52=20\n1996-366=10\n"
                                       "1997-001=1000\n");
        const std::time_t start = local(1996, 12, 31, 23, 59);
        m_now = start;
        CConnectTimes t = times();
        t.ReadConnectTimes("Acme");
        for (int i = 0; i < 120; ++i) {
            m_now = start + i;
            t.CountSecond();
        }
        QCOMPARE(t.m_providerTimes.day, 60); // the new day, shown from midnight
        m_now = start + 120;
        QVERIFY(t.WriteConnectTimes("Acme"));
        QCOMPARE(TestEnv::readAll(tms("Acme")),
                 QByteArray("[Acme]\nFirstConnect=7\n1996=160\n1996-12=110\n1996-52=80\n1996-366=70\n"
                            "1997-001=1060\nLastConnect=0\n1997=60\n1997-01=60\n1997-00=60\n\n"
                            "[Dialtop]\nVersion=1\n\n"
                            "[tester]\n1996=60\n1996-12=60\n1996-52=60\n1996-366=60\n"
                            "1997=60\n1997-01=60\n1997-00=60\n1997-001=60\nFirstConnect=0\nLastConnect=0\n"));
    }

    void damagedValues_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("first");
        QTest::newRow("digits then text") << QByteArray("12abc") << 12 << 12;
        QTest::newRow("negative") << QByteArray("-5") << 0 << -5;
        QTest::newRow("beyond 32 bits") << QByteArray("99999999999") << std::numeric_limits<int>::max()
                                        << std::numeric_limits<int>::max();
        QTest::newRow("text") << QByteArray("abc") << 0 << 0;
        QTest::newRow("long run of zeros") << QByteArray(300, '0') + "7" << 0 << 0;
    }
    void damagedValues()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, seconds);
        QFETCH(int, first);
        m_now = local(1997, 3, 5);
        TestEnv::writeAll(tms("Acme"), "[Acme]\nFirstConnect=" + stored + "\n1997=" + stored + "\n");
        CConnectTimes t = times();
        t.ReadConnectTimes("Acme");
        QCOMPARE(t.m_providerTimes.year, seconds);
        QCOMPARE(t.m_providerTimes.firstConnect, first);
        t.CountSecond(); // never wraps round to a negative total
        QVERIFY(t.m_providerTimes.year > 0);
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

        // A file far larger than any genuine one is neither read nor rewritten.
        m_now = local(1997, 3, 5);
        const QByteArray huge = "[Acme]\n1997=50\n" + QByteArray(5 * 1024 * 1024, ';');
        QVERIFY(TestEnv::writeAll(tms("Acme"), huge));
        t.ReadConnectTimes("Acme");
        QCOMPARE(t.m_providerTimes.year, 0);
        t.CountSecond();
        QVERIFY(!t.WriteConnectTimes("Acme"));
        QCOMPARE(TestEnv::readAll(tms("Acme")), huge);
        QVERIFY(QDir(m_env->dataDir()).entryList({"*.tms"}, QDir::Files).isEmpty());
    }

    void displayedTimes_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<bool>("year");
        QTest::addColumn<QString>("text");
        QTest::newRow("session") << 3723 << false << "01:02:03";
        QTest::newRow("year") << 3723 << true << "0001:02:03";
        QTest::newRow("hours widen") << 123 * 3600 << false << "123:00:00";
        QTest::newRow("nothing yet") << 0 << true << "0000:00:00";
    }
    void displayedTimes()
    {
        QFETCH(int, seconds);
        QFETCH(bool, year);
        QFETCH(QString, text);
        QCOMPARE(FormatConnectTime(seconds, year), text);
    }
};

QTEST_GUILESS_MAIN(tst_TimeTotals)
#include "tst_timetotals.moc"
