#include "TestEnv.h"
#include "platform/profile/Profile.h"

#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

using namespace profile;

namespace {

const char kWriterVar[] = "DIALTOP_PROFILE_WRITER";
constexpr int kKeysPerWriter = 100;

// A connection-time file as users and older versions left them: comments,
// blank separators, odd spacing and case.
const char kSample[] = "; times of Acme Net\n[Totals]\nSession = 120\nToday=3600\nDelta = -7 min\n\n"
                       "[Month]\n# kept by hand\nJan=10\n  Feb = 20  \n\n"
                       "[Quoted]\nName=\"  Acme Net  \"\nSingle='x'\nHalf=\"open\nUrl=http://example.com/?a=b\n";

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
        return GetPrivateProfileString(section, key, def, out, m_file) == out.size() ? out : "length mismatch";
    }
    QByteArray bytes() const { return TestEnv::readAll(m_file); }

private slots:
    void init() { m_env = std::make_unique<TestEnv>(), m_file = m_env->path("Acme Net.tms"); }
    void cleanup() { m_env.reset(); }

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
        QTest::newRow("key of another section") << "Totals" << "Jan" << "default" << 99;
    }

    void readValues()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QTEST(read(section, key, "default"), "value");
        QTEST(GetPrivateProfileInt(section, key, 99, m_file), "number");
    }

    // An edit changes only its own lines; every other byte stays.
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
        // No file: the default, trimmed, and nothing created.
        QVERIFY(read("Totals", "Session", "  42 ") == "42" && GetPrivateProfileInt("Totals", "Session", -5, m_file) == -5);
        const QString nested = m_env->path("Home/Acme.tms");
        QVERIFY(WritePrivateProfileString("Totals", "Session", "5", nested));
        QCOMPARE(TestEnv::readAll(nested), QByteArray("[Totals]\nSession=5\n"));
        QVERIFY(WritePrivateProfileString("Month", "Jan", "1", nested));
        QCOMPARE(TestEnv::readAll(nested), QByteArray("[Totals]\nSession=5\n\n[Month]\nJan=1\n"));
        QCOMPARE(GetPrivateProfileSectionNames(nested) << GetPrivateProfileKeys("Totals", nested),
                 (QStringList{"Totals", "Month", "Session"}));

        QVERIFY(WritePrivateProfileString("Totals", "Session", QString(), m_file));
        QVERIFY(WritePrivateProfileString(QString(), QString(), QString(), m_file)); // only flushes
        QVERIFY(!QFile::exists(m_file) && GetPrivateProfileSectionNames(m_file).isEmpty());
    }

    void lineEndingsAndOddBytesKept()
    {
        QByteArray crlf(kSample);
        crlf.replace("\n", "\r\n");
        QVERIFY(TestEnv::writeAll(m_file, crlf));
        QCOMPARE(read("Month", "Jan"), QString("10"));
        QVERIFY(WritePrivateProfileString("Month", "Mar", "30", m_file));
        QVERIFY(WritePrivateProfileString("Clé", "K", "Grüße", m_file));
        QCOMPARE(read("CLÉ", "k"), QString("Grüße"));
        const QByteArray after = bytes();
        QCOMPARE(after, QByteArray(crlf).replace("Feb = 20  \r\n", "Feb = 20  \r\nMar=30\r\n") + "\r\n[Clé]\r\nK=Grüße\r\n");

        // Lines nobody changes go back byte for byte, even when they are not text.
        const QByteArray odd("junk \xff\xfe\r\n[Totals]\nSession=1\r\nLatin=caf\xe9\n[Other]\nX=1");
        QVERIFY(TestEnv::writeAll(m_file, odd));
        QVERIFY(WritePrivateProfileString("Totals", "Session", "2", m_file));
        QVERIFY(WritePrivateProfileString("other", "Y", "3", m_file));
        QCOMPARE(bytes(), QByteArray("junk \xff\xfe\r\n[Totals]\nSession=2\r\nLatin=caf\xe9\n[Other]\nX=1\nY=3\r\n"));
    }

    // Whatever would not read back as written is refused and the file kept.
    void unstorableWritesRefused_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("line break in a value") << "Totals" << "Session" << "1\n[Evil]\nX=1";
        QTest::newRow("carriage return in a key") << "Totals" << "A\rB" << "1";
        QTest::newRow("= in a key") << "Totals" << "a=b" << "1";
        QTest::newRow("key read as a section") << "Totals" << "[Evil]" << "1";
        QTest::newRow("key read as a comment") << "Totals" << ";note" << "1";
        QTest::newRow("] in a section") << "To]tals" << "Session" << "1";
        QTest::newRow("line break in a section to delete") << "Totals\n[Month" << QString() << QString();
    }

    void unstorableWritesRefused()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QVERIFY(!WritePrivateProfileString(section, key, value, m_file));
        QCOMPARE(bytes(), QByteArray(kSample));
    }

    void quotedValuesReadBack_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("blanks at the ends") << " 555 " << "\" 555 \"";
        QTest::newRow("wrapped in quotes") << "\"x\"" << "\"\"x\"\"";
        QTest::newRow("wrapped in single quotes") << "'y'" << "\"'y'\"";
        QTest::newRow("one quote") << "\"" << "\"";
        QTest::newRow("inner quotes and blanks") << "a \"b\" c" << "a \"b\" c";
        QTest::newRow("empty") << "" << "";
    }

    void quotedValuesReadBack()
    {
        QFETCH(QString, value);
        QTEST(QuoteProfileValue(value), "written");
        QVERIFY(WritePrivateProfileString("S", "K", QuoteProfileValue(value), m_file));
        QCOMPARE(read("S", "K"), value);
    }

    // The first key of a name counts; deleting it uncovers the next one.
    void duplicateKeysInOrder()
    {
        QByteArray text("[S]\n");
        for (int i = 0; i < 30000; ++i)
            text += "K" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\nk0=dup" + QByteArray::number(i) + "\n";
        QVERIFY(TestEnv::writeAll(m_file, text));
        QVERIFY(UpdatePrivateProfile(m_file, [](CProfileFile& doc) {
            for (int i = 0; i < 3; ++i)
                doc.SetString("s", "K0", QString());
            for (int i = 1; i < 30000; ++i)
                doc.SetString("S", QString("K%1").arg(i), i % 2 ? QString() : "even");
            return true;
        }));
        CProfileFile doc;
        QVERIFY(doc.Load(m_file));
        QString v, w;
        QVERIFY(doc.GetString("S", "k0", v) && v == "dup2" && doc.Keys("S").size() == 30000 - 3 + 15000);
        QVERIFY(doc.GetString("S", "K29998", w) && w == "even" && !doc.GetString("S", "K29999", v));
    }

    void oversizeFileNeitherReadNorRewritten()
    {
        const QByteArray big = "[Totals]\nSession=5\n" + QByteArray(kMaxProfileBytes, ';');
        QVERIFY(TestEnv::writeAll(m_file, big));
        QCOMPARE(read("Totals", "Session", "none"), QString("none"));
        QVERIFY(!WritePrivateProfileString("Totals", "Session", "6", m_file));
        QCOMPARE(bytes().size(), big.size());
    }

    // A reader never finds the file missing or empty while a writer
    // replaces it.
    void readsWhileReplacedSeeAWholeFile()
    {
        QVERIFY(WritePrivateProfileString("S", "k", "0", m_file));
        std::atomic<bool> done = false;
        std::thread writer([&] {
            for (int i = 1; i <= 300; ++i)
                WritePrivateProfileString("S", "k", QString::number(i), m_file);
            done = true;
        });
        int reads = 0, misses = 0;
        for (; !done; ++reads) {
            CProfileFile doc;
            QString value;
            misses += !doc.Load(m_file) || !doc.GetString("S", "k", value);
        }
        writer.join();
        QCOMPARE(misses, 0);
        QVERIFY(reads > 0);
    }

    void twoWriterProcessesLoseNothing()
    {
        QVERIFY(TestEnv::writeAll(m_file, kSample));
        QProcess a, b;
        for (auto [proc, prefix] : {std::pair{&a, "A"}, std::pair{&b, "B"}}) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(kWriterVar, QString(prefix) + ":" + m_file);
            proc->setProcessEnvironment(env);
            proc->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            proc->start(QCoreApplication::applicationFilePath(), {});
        }
        QVERIFY(a.waitForFinished(90000) && b.waitForFinished(90000) && a.exitCode() + b.exitCode() == 0);
        for (const char* prefix : {"A", "B"})
            for (int i = 0; i < kKeysPerWriter; ++i) {
                const QString key = prefix + QString::number(i);
                QCOMPARE(read(i % 2 ? "Totals" : QString("Section ") + prefix, key), key + "-value");
            }
        QCOMPARE(GetPrivateProfileKeys("Totals", m_file).size(), 3 + kKeysPerWriter);
        QVERIFY(bytes().startsWith(QByteArray(kSample).left(QByteArray(kSample).indexOf("\n\n"))));
    }
};

int main(int argc, char** argv)
{
    // A child of a test: its own keys of one file, one write each, while a sibling does the same.
    const QByteArray mode = qgetenv(kWriterVar);
    const qsizetype colon = mode.indexOf(':');
    const QString prefix = QString::fromLatin1(mode.left(colon)), file = QFile::decodeName(mode.mid(colon + 1));
    for (int i = 0; !mode.isEmpty() && i < kKeysPerWriter; ++i) {
        const QString key = prefix + QString::number(i);
        if (!WritePrivateProfileString(i % 2 ? "Totals" : "Section " + prefix, key, key + "-value", file))
            return 3;
    }
    if (!mode.isEmpty())
        return 0;
    QCoreApplication app(argc, argv);
    tst_Profile tc;
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_profile.moc"
