#include "TestEnv.h"
#include "platform/profile/Profile.h"

#include <QtTest>

#include <memory>

using namespace profile;

namespace {

// A connection-time file as users and older versions left them: comments,
// blank separators, odd spacing and case.
const char kSample[] =
    "; times of Acme Net\n"
    "[Totals]\n"
    "Session = 120\n"
    "Today=3600\n"
    "\n"
    "[Month]\n"
    "# kept by hand\n"
    "Jan=10\n"
    "  Feb = 20  \n"
    "\n"
    "[Quoted]\n"
    "Name=\"  Acme Net  \"\n"
    "Single='x'\n"
    "Half=\"open\n"
    "Url=http://example.com/?a=b\n";

} // namespace

class tst_Profile : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    QString m_file;

    QString read(const QString& section, const QString& key, const QString& def = QString())
    {
        QString out = "unset";
        const int n = GetPrivateProfileString(section, key, def, out, m_file);
        if (n != out.size())
            return "length mismatch";
        return out;
    }
    QByteArray bytes() const { return TestEnv::readAll(m_file); }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_file = m_env->path("Acme Net.tms");
    }
    void cleanup() { m_env.reset(); }

    void missingGivesDefault()
    {
        QCOMPARE(read("Totals", "Session", "  42 "), QString("42"));
        QCOMPARE(read("Totals", "Session"), QString(""));
        QCOMPARE(GetPrivateProfileInt("Totals", "Session", -5, m_file), -5);
        QVERIFY(!QFile::exists(m_file));
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QCOMPARE(read("Nope", "Session", "d"), QString("d"));
        QCOMPARE(read("Totals", "Nope", "d"), QString("d"));
        // A key of another section is not found.
        QCOMPARE(read("Totals", "Jan", "d"), QString("d"));
    }

    void readValues_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("spaces around =") << "Totals" << "Session" << "120";
        QTest::newRow("case of section and key") << "TOTALS" << "today" << "3600";
        QTest::newRow("indented and padded") << "month" << "FEB" << "20";
        QTest::newRow("double quotes stripped") << "Quoted" << "Name" << "  Acme Net  ";
        QTest::newRow("single quotes stripped") << "Quoted" << "Single" << "x";
        QTest::newRow("unbalanced quote kept") << "Quoted" << "Half" << "\"open";
        QTest::newRow("= inside the value") << "Quoted" << "Url" << "http://example.com/?a=b";
    }

    void readValues()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QCOMPARE(read(section, key, "default"), value);
    }

    void readInt_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "42" << 42;
        QTest::newRow("blank and minus") << " -7" << -7;
        QTest::newRow("plus") << "+8" << 8;
        QTest::newRow("trailing text") << "12abc" << 12;
        QTest::newRow("no digits") << "abc" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("zero") << "0" << 0;
    }

    void readInt()
    {
        QFETCH(QString, value);
        QFETCH(int, expected);
        QVERIFY(TestEnv::writeAll(m_file, "[S]\nK=" + value.toUtf8() + "\n"));
        QCOMPARE(GetPrivateProfileInt("s", "k", 99, m_file), expected);
        QCOMPARE(GetPrivateProfileInt("s", "missing", 99, m_file), 99);
    }

    void writeCreatesFileSectionAndKey()
    {
        const QString nested = m_env->path("Home/Acme.tms");
        QVERIFY(WritePrivateProfileString("Totals", "Session", "5", nested));
        QCOMPARE(TestEnv::readAll(nested), QByteArray("[Totals]\nSession=5\n"));
        QVERIFY(WritePrivateProfileString("Month", "Jan", "1", nested));
        QCOMPARE(TestEnv::readAll(nested), QByteArray("[Totals]\nSession=5\n\n[Month]\nJan=1\n"));
    }

    void replaceKeepsEveryOtherLine()
    {
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QVERIFY(WritePrivateProfileString("MONTH", "feb", "25", m_file));
        QByteArray expected(kSample);
        expected.replace("  Feb = 20  \n", "Feb=25\n");
        QCOMPARE(bytes(), expected);
        QCOMPARE(read("Month", "Feb"), QString("25"));
    }

    void newKeyGoesAtEndOfItsSection()
    {
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QVERIFY(WritePrivateProfileString("totals", "Week", "7200", m_file));
        QByteArray expected(kSample);
        expected.replace("Today=3600\n\n", "Today=3600\nWeek=7200\n\n");
        QCOMPARE(bytes(), expected);
        QCOMPARE(GetPrivateProfileKeys("Totals", m_file), (QStringList{"Session", "Today", "Week"}));

        // In the last section, which has no separator after it.
        QVERIFY(WritePrivateProfileString("Quoted", "Last", "z", m_file));
        QVERIFY(bytes().endsWith("Url=http://example.com/?a=b\nLast=z\n"));
    }

    void nullKeyDeletesSection()
    {
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QVERIFY(WritePrivateProfileString("month", QString(), QString(), m_file));
        QCOMPARE(GetPrivateProfileSectionNames(m_file), (QStringList{"Totals", "Quoted"}));
        QCOMPARE(read("Month", "Jan", "gone"), QString("gone"));
        QVERIFY(bytes().startsWith("; times of Acme Net\n[Totals]\nSession = 120\nToday=3600\n\n[Quoted]\n"));
        // A section that is not there is already deleted.
        QVERIFY(WritePrivateProfileString("Absent", QString(), QString(), m_file));
    }

    void nullValueDeletesKey()
    {
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QVERIFY(WritePrivateProfileString("Totals", "SESSION", QString(), m_file));
        QByteArray expected(kSample);
        expected.replace("Session = 120\n", "");
        QCOMPARE(bytes(), expected);
        QVERIFY(WritePrivateProfileString("Totals", "Session", QString(), m_file));
        QCOMPARE(bytes(), expected);
        // Deleting from a file that does not exist creates nothing.
        const QString none = m_env->path("none.tms");
        QVERIFY(WritePrivateProfileString("Totals", "Session", QString(), none));
        QVERIFY(!QFile::exists(none));
    }

    void allNullFlushes()
    {
        QVERIFY(WritePrivateProfileString(QString(), QString(), QString(), m_file));
        QVERIFY(!QFile::exists(m_file));
    }

    void emptyValueIsStoredNotDeleted()
    {
        QVERIFY(WritePrivateProfileString("S", "K", "", m_file));
        QCOMPARE(bytes(), QByteArray("[S]\nK=\n"));
        QCOMPARE(read("S", "K", "default"), QString(""));
    }

    void sectionNamesInFileOrder()
    {
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QCOMPARE(GetPrivateProfileSectionNames(m_file), (QStringList{"Totals", "Month", "Quoted"}));
        QVERIFY(GetPrivateProfileSectionNames(m_env->path("none.tms")).isEmpty());
    }

    void crlfFileStaysCrlf()
    {
        QByteArray crlf(kSample);
        crlf.replace("\n", "\r\n");
        QVERIFY(TestEnv::writeAll(m_file, crlf));
        QCOMPARE(read("Month", "Jan"), QString("10"));
        QVERIFY(WritePrivateProfileString("Month", "Mar", "30", m_file));
        QVERIFY(WritePrivateProfileString("New", "K", "v", m_file));
        const QByteArray after = bytes();
        QCOMPARE(after.count('\n'), after.count("\r\n"));
        QByteArray expected = crlf;
        expected.replace("Feb = 20  \r\n", "Feb = 20  \r\nMar=30\r\n");
        expected += "\r\n[New]\r\nK=v\r\n";
        QCOMPARE(after, expected);
    }

    void nonAsciiText()
    {
        QVERIFY(WritePrivateProfileString("Café", "Clé", "Grüße", m_file));
        QCOMPARE(read("CAFÉ", "clé"), QString("Grüße"));
    }
};

QTEST_GUILESS_MAIN(tst_Profile)
#include "tst_profile.moc"
