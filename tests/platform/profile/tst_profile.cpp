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
    "Delta = -7 min\n"
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
        QTest::addColumn<int>("number"); // the value read as a number
        QTest::newRow("case of section and key") << "TOTALS" << "today" << "3600" << 3600;
        QTest::newRow("indented and padded") << "month" << "FEB" << "20" << 20;
        QTest::newRow("sign and trailing text") << "Totals" << "Delta" << "-7 min" << -7;
        QTest::newRow("double quotes stripped") << "Quoted" << "Name" << "  Acme Net  " << 0;
        QTest::newRow("unbalanced quote kept") << "Quoted" << "Half" << "\"open" << 0;
        QTest::newRow("= inside the value") << "Quoted" << "Url" << "http://example.com/?a=b" << 0;
    }

    void readValues()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, number);
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QCOMPARE(read(section, key, "default"), value);
        QCOMPARE(GetPrivateProfileInt(section, key, 99, m_file), number);
    }

    // Each edit of the sample changes only its own lines; every other byte,
    // comment and spacing stays as the user left it.
    void edits_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");     // null deletes the section
        QTest::addColumn<QString>("value");   // null deletes the key
        QTest::addColumn<QByteArray>("from"); // the part of the sample that changes
        QTest::addColumn<QByteArray>("to");
        QTest::newRow("replace") << "MONTH" << "feb" << "25" << QByteArray("  Feb = 20  \n") << QByteArray("Feb=25\n");
        QTest::newRow("new key at the end of its section")
            << "totals" << "Week" << "7200" << QByteArray("-7 min\n\n") << QByteArray("-7 min\nWeek=7200\n\n");
        QTest::newRow("new key in the last section")
            << "Quoted" << "Last" << "z" << QByteArray("?a=b\n") << QByteArray("?a=b\nLast=z\n");
        QTest::newRow("empty value is stored") << "Month" << "Jan" << "" << QByteArray("Jan=10\n") << QByteArray("Jan=\n");
        QTest::newRow("delete key") << "Totals" << "SESSION" << QString() << QByteArray("Session = 120\n") << QByteArray();
        QTest::newRow("delete section") << "month" << QString() << QString()
                                        << QByteArray("[Month]\n# kept by hand\nJan=10\n  Feb = 20  \n\n") << QByteArray();
        QTest::newRow("delete a missing key") << "Totals" << "None" << QString() << QByteArray() << QByteArray();
    }

    void edits()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QVERIFY(WritePrivateProfileString(section, key, value, m_file));
        QByteArray expected(kSample);
        if (!from.isEmpty())
            expected.replace(from, to);
        QCOMPARE(bytes(), expected);
        if (!key.isNull())
            QCOMPARE(read(section, key, "gone"), value.isNull() ? QString("gone") : value);
    }

    void writeCreatesFileSectionAndKeyDeleteCreatesNothing()
    {
        const QString nested = m_env->path("Home/Acme.tms");
        QVERIFY(WritePrivateProfileString("Totals", "Session", "5", nested));
        QCOMPARE(TestEnv::readAll(nested), QByteArray("[Totals]\nSession=5\n"));
        QVERIFY(WritePrivateProfileString("Month", "Jan", "1", nested));
        QCOMPARE(TestEnv::readAll(nested), QByteArray("[Totals]\nSession=5\n\n[Month]\nJan=1\n"));
        QCOMPARE(GetPrivateProfileKeys("Totals", nested), QStringList{"Session"});

        QVERIFY(WritePrivateProfileString("Totals", "Session", QString(), m_file));
        QVERIFY(WritePrivateProfileString(QString(), QString(), QString(), m_file)); // only flushes
        QVERIFY(!QFile::exists(m_file));
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
        QVERIFY(WritePrivateProfileString("Clé", "K", "Grüße", m_file));
        QCOMPARE(read("CLÉ", "k"), QString("Grüße"));
        const QByteArray after = bytes();
        QCOMPARE(after.count('\n'), after.count("\r\n"));
        QByteArray expected = crlf;
        expected.replace("Feb = 20  \r\n", "Feb = 20  \r\nMar=30\r\n");
        expected += "\r\n[Clé]\r\nK=Grüße\r\n";
        QCOMPARE(after, expected);
    }
};

QTEST_GUILESS_MAIN(tst_Profile)
#include "tst_profile.moc"
