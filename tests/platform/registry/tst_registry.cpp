#include "TestEnv.h"
#include "platform/registry/Registry.h"

#include <QtTest>

#include <sys/stat.h>
#include <memory>

using namespace reg;

namespace {

const char kWriterVar[] = "DIALTOP_REG_WRITER";
const char kConcurrentKey[] = "Software\\Corvane\\Dialtop\\Concurrent";
constexpr int kValuesPerWriter = 120;

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// A value as read back, or a mark that it could not be.
QString stringOf(RegKey& key, const QString& name)
{
    QString v;
    return key.ReadString(name, v) ? v : "<unreadable>";
}

} // namespace

class tst_Registry : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    QString hiveFile() const { return HiveFilePath(HKEY_CURRENT_USER); }
    QString hiveText() const { return QString::fromUtf8(TestEnv::readAll(hiveFile())); }
    QStringList damagedFiles() const { return QDir(m_env->configDir()).entryList({"*.damaged-*"}, QDir::Files); }
    static void startChild(QProcess& child, const QString& mode)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kWriterVar, mode);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {});
    }

private slots:
    void init() { m_env = std::make_unique<TestEnv>(), ResetStore(); }
    void cleanup() { m_env.reset(), ResetStore(); }

    void formatRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("data");  // as stored (REG_SZ without its zero)
        QTest::addColumn<QString>("line");     // the line expected in the file

        QTest::newRow("quotes and backslashes")
            << "Path" << uint(REG_SZ) << QByteArray("say \"hi\" C:\\dir\\") << "\"Path\"=\"say \\\"hi\\\" C:\\\\dir\\\\\"";
        QTest::newRow("non-ASCII") << "Name" << uint(REG_SZ) << QString("Grüße € 日本").toUtf8()
                                   << QString("\"Name\"=\"Grüße € 日本\"");
        QTest::newRow("line break") << "Two" << uint(REG_SZ) << QByteArray("one\ntwo") << "\"Two\"=\"one\\ntwo\"";
        QTest::newRow("empty string") << "Empty" << uint(REG_SZ) << QByteArray() << "\"Empty\"=\"\"";
        QTest::newRow("dword high bit") << "Big" << uint(REG_DWORD) << QByteArray::fromHex("efbeadde")
                                        << "\"Big\"=dword:deadbeef";
        QTest::newRow("4-byte binary") << "Alarm" << uint(REG_BINARY) << QByteArray::fromHex("01000000") << "\"Alarm\"=hex:01,00,00,00";
        QTest::newRow("other type") << "Multi" << uint(7) << QByteArray("a\0b\0\0", 5) << "\"Multi\"=hex(7):61,00,62,00,00";
        QTest::newRow("default value") << "" << uint(REG_SZ) << QByteArray("default text") << "@=\"default text\"";
        QByteArray blob;
        for (int i = 0; i < 300; ++i)
            blob.append(char(i * 7));
        QTest::newRow("long binary wrapped") << "BarState" << uint(REG_BINARY) << blob << "\"BarState\"=hex:";
    }

    void formatRoundTrip()
    {
        QFETCH(QString, name);
        QFETCH(uint, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, line);
        RegKey key;
        QCOMPARE(key.Create(HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop"), ERROR_SUCCESS);
        QByteArray stored = data;
        if (type == REG_SZ)
            stored.append('\0');
        QCOMPARE(key.SetValue(name, type, stored.constData(), DWORD(stored.size())), ERROR_SUCCESS);

        // The whole line, or the start of a continued one.
        const QString text = hiveText();
        QVERIFY2(text.contains('\n' + line + (line.endsWith(':') ? "" : "\n")), qPrintable(text));
        for (const QString& l : text.split('\n'))
            QVERIFY2(l.size() <= 80, qPrintable(l));

        ResetStore();
        RegKey again;
        QCOMPARE(again.Open(HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop"), ERROR_SUCCESS);
        QByteArray buf(stored.size() + 4, '\x55');
        DWORD gotType = 0, room = DWORD(buf.size());
        QCOMPARE(again.QueryValue(name, &gotType, buf.data(), &room), ERROR_SUCCESS);
        QVERIFY(gotType == type && buf.left(int(room)) == stored);
    }

    void namesIgnoreCaseAndKeepIt()
    {
        RegKey key;
        QCOMPARE(key.Create(HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop\\WinPos"), ERROR_SUCCESS);
        QCOMPARE(key.WriteDword("WindowX", 10), ERROR_SUCCESS);

        RegKey other;
        QCOMPARE(other.Open(HKEY_CURRENT_USER, "SOFTWARE/corvane\\DIALTOP\\winpos"), ERROR_SUCCESS);
        DWORD v = 0;
        QVERIFY(other.ReadDword("windowx", v) && v == 10);
        // Writing through other spellings replaces the value and keeps the first names.
        QCOMPARE(other.WriteDword("WINDOWX", 20), ERROR_SUCCESS);
        RegKey child;
        QCOMPARE(child.Create(HKEY_CURRENT_USER, "software\\CORVANE\\dialtop\\Connection"), ERROR_SUCCESS);

        const QString text = hiveText();
        QVERIFY2(text.contains("[HKEY_CURRENT_USER\\Software\\Corvane\\Dialtop\\WinPos]\n\"WindowX\"=dword:00000014"),
                 qPrintable(text));
        QVERIFY2(text.contains("[HKEY_CURRENT_USER\\Software\\Corvane\\Dialtop\\Connection]"), qPrintable(text));
        QVERIFY(!text.contains("WINDOWX") && !text.contains("CORVANE") && text.count("WinPos]") == 1);
    }

    void queryValueSemantics()
    {
        RegKey key;
        QCOMPARE(key.Create(HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop"), ERROR_SUCCESS);
        QCOMPARE(key.WriteString("Home", "/home/u/dialtop"), ERROR_SUCCESS);
        const DWORD needed = 16; // with its zero
        DWORD type = 0, len = 0;
        QVERIFY(key.QueryValue("Home", &type, nullptr, &len) == ERROR_SUCCESS && len == needed);
        char small[5] = "xxxx";
        len = 4;
        QVERIFY(key.QueryValue("Home", &type, small, &len) == ERROR_MORE_DATA && len == needed);
        len = 4;
        QCOMPARE(key.QueryValue("Missing", &type, small, &len), ERROR_FILE_NOT_FOUND);
        QCOMPARE(QByteArray(small), QByteArray("xxxx"));

        RegKey missing;
        QCOMPARE(missing.Open(HKEY_CURRENT_USER, "Software\\Corvane\\Nowhere"), ERROR_FILE_NOT_FOUND);
        // Opening never creates: the file holds no trace of the missing key.
        QVERIFY(!hiveText().contains("Nowhere"));

        // A deleted value is gone from the file, whatever the spelling used.
        QCOMPARE(key.WriteString("Drop", "2"), ERROR_SUCCESS);
        QCOMPARE(key.DeleteValue("DROP"), ERROR_SUCCESS);
        QCOMPARE(key.DeleteValue("Drop"), ERROR_FILE_NOT_FOUND);
        ResetStore();
        QCOMPARE(key.ValueNames(), QStringList{"Home"});
    }

    void deleteKeyTreeAndSubKeys()
    {
        for (const char* path : {"Software\\Corvane\\Dialtop\\Acme\\Phone Numbers", "Software\\Corvane\\Dialtop\\Acme",
                                 "Software\\Corvane\\Dialtop\\AcmeNet", "Software\\Corvane\\Dialtop\\Other\\Deep\\Er"}) {
            RegKey k;
            QCOMPARE(k.Create(HKEY_LOCAL_MACHINE, path), ERROR_SUCCESS);
            QCOMPARE(k.WriteString("Tries", "3"), ERROR_SUCCESS);
        }
        QCOMPARE(DeleteKeyTree(HKEY_LOCAL_MACHINE, "software\\corvane\\dialtop\\ACME"), ERROR_SUCCESS);
        QCOMPARE(DeleteKeyTree(HKEY_LOCAL_MACHINE, "Software\\Corvane\\Dialtop\\Acme"), ERROR_FILE_NOT_FOUND);

        // Gone with everything below; a sibling sharing the prefix stays.
        ResetStore();
        RegKey root;
        QCOMPARE(root.Open(HKEY_LOCAL_MACHINE, "Software\\Corvane\\Dialtop"), ERROR_SUCCESS);
        QStringList subs = root.SubKeyNames();
        subs.sort();
        QCOMPARE(subs, (QStringList{"AcmeNet", "Other"}));
        RegKey k;
        QCOMPARE(k.Open(HKEY_LOCAL_MACHINE, "Software\\Corvane\\Dialtop\\Acme\\Phone Numbers"), ERROR_FILE_NOT_FOUND);
        QCOMPARE(k.Open(HKEY_LOCAL_MACHINE, "Software\\Corvane\\Dialtop\\Other\\Deep\\Er"), ERROR_SUCCESS);
        // Hives are separate files.
        QCOMPARE(k.Open(HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop\\Other"), ERROR_FILE_NOT_FOUND);
    }

    void changeOnDiskIsSeen()
    {
        RegKey key;
        QCOMPARE(key.Create(HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop"), ERROR_SUCCESS);
        QCOMPARE(key.WriteString("Home", "/one"), ERROR_SUCCESS);
        QCOMPARE(stringOf(key, "Home"), QString("/one"));

        // Another program renames a same-sized new file over it.
        QByteArray text = TestEnv::readAll(hiveFile());
        text.replace("\"/one\"", "\"/two\"");
        QVERIFY(TestEnv::writeAll(hiveFile() + ".new", text + "\n[HKEY_CURRENT_USER\\Added]\n\"X\"=dword:00000001\n"));
        QVERIFY(::rename(QFile::encodeName(hiveFile() + ".new").constData(), QFile::encodeName(hiveFile()).constData()) == 0);

        QCOMPARE(stringOf(key, "Home"), QString("/two"));
        RegKey added;
        QCOMPARE(added.Open(HKEY_CURRENT_USER, "Added"), ERROR_SUCCESS);

        // A write after the outside change keeps what the other program wrote.
        QCOMPARE(key.WriteString("Other", "v"), ERROR_SUCCESS);
        ResetStore();
        QCOMPARE(added.Open(HKEY_CURRENT_USER, "Added"), ERROR_SUCCESS);
        QCOMPARE(stringOf(key, "Home"), QString("/two"));
    }

    void damagedHiveMovedAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("no header") << QByteArray("[HKEY_CURRENT_USER\\Software]\n\"a\"=\"b\"\n");
        QTest::newRow("bad dword") << QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\S]\n\"a\"=dword:xyz\n");
        const QByteArray head("REGEDIT4\n\n[HKEY_CURRENT_USER");
        QTest::newRow("key path too deep") << head + QByteArray("\\k").repeated(kMaxKeyDepth + 1) + "]\n";
        QTest::newRow("far too deep") << head + QByteArray("\\k").repeated(1000000) + "]\n";
        QTest::newRow("line too long") << head + "\\S]\n\"a\"=\"" + QByteArray(kMaxLineChars, 'x') + "\"\n";
        QTest::newRow("continued line too long")
            << head + "\\S]\n\"a\"=hex:00,\\\n" + QByteArray("  01,02,03,04,05,06,07,08,\\\n").repeated(kMaxLineChars / 24 + 1);
        QByteArray many = head + "\\S]\n";
        for (int i = 0; i <= kMaxHiveEntries; ++i)
            many += "@=dword:1\n";
        QTest::newRow("too many values") << many;
        QTest::newRow("larger than a hive") << head + "]\n;" + QByteArray(kMaxHiveBytes, ';') + "\n";
    }

    // Moved aside with one warning however often it is read; a fresh hive takes its place.
    void damagedHiveMovedAside()
    {
        QFETCH(QByteArray, content);
        QVERIFY(TestEnv::writeAll(hiveFile(), content));
        QProcess child;
        startChild(child, "read");
        QVERIFY(child.waitForFinished(30000) && child.exitCode() == 0);
        const QByteArray err = child.readAllStandardError();
        QVERIFY2(err.count('\n') == 1 && err.contains("damaged"), err.constData());

        const QStringList aside = damagedFiles();
        QVERIFY(aside.size() == 1 && aside.first().startsWith("HKEY_CURRENT_USER.reg.damaged-"));
        QCOMPARE(TestEnv::readAll(m_env->configDir() + "/" + aside.first()), content);
        QVERIFY(!QFile::exists(hiveFile()));
        RegKey key;
        QCOMPARE(key.Create(HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop"), ERROR_SUCCESS);
        QCOMPARE(key.WriteString("Home", "/fresh"), ERROR_SUCCESS);
        ResetStore();
        QVERIFY(stringOf(key, "Home") == "/fresh" && damagedFiles().size() == 1);
    }

    // The damaged file must survive even when the usual name for it is taken.
    void damagedHiveNeverOverwritten()
    {
        const QByteArray junk("this is the user's only copy, damaged\n");
        QVERIFY(TestEnv::writeAll(hiveFile(), junk));
        const QDateTime now = QDateTime::currentDateTime();
        for (int s = 0; s < 4; ++s) {
            const QString name = hiveFile() + ".damaged-" + now.addSecs(s).toString("yyyyMMdd-hhmmss");
            QVERIFY(TestEnv::writeAll(name, "older"));
        }

        RegKey key;
        key.Create(HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop");
        key.WriteString("Home", "/fresh");

        bool kept = TestEnv::readAll(hiveFile()) == junk;
        for (const QString& f : damagedFiles())
            kept = kept || TestEnv::readAll(m_env->configDir() + "/" + f) == junk;
        QVERIFY2(kept, "the damaged hive was overwritten");
    }

    // Deep paths, many values and long values within the limits read whole.
    void largeHivesWithinLimitsRead()
    {
        QByteArray text("REGEDIT4\n\n[HKEY_CURRENT_USER");
        QString deep;
        for (int i = 0; i < kMaxKeyDepth; ++i)
            deep += (i ? "\\" : "") + QString("k%1").arg(i);
        text += "\\" + deep.toUtf8() + "]\n@=\"bottom\"\n\n[HKEY_CURRENT_USER\\Many]\n";
        for (int i = 0; i < 50000; ++i)
            text += "\"v" + QByteArray::number(i) + "\"=dword:" + QByteArray::number(i, 16) + "\n";
        QByteArray blob("\xff");
        for (int i = 0; i < 10000; ++i)
            blob += char(i % 256);
        text += "\"V49999\"=dword:00000007\n\"Blob\"=hex:" + blob.toHex(',').replace(",", ",\\\n  ") + "\n";
        QVERIFY(TestEnv::writeAll(hiveFile(), text));

        RegKey key;
        QCOMPARE(key.Open(HKEY_CURRENT_USER, deep.toUpper()), ERROR_SUCCESS);
        QCOMPARE(key.GetPath() + "=" + stringOf(key, ""), deep + "=bottom");
        QCOMPARE(key.Open(HKEY_CURRENT_USER, "many"), ERROR_SUCCESS);
        QCOMPARE(key.ValueNames().size(), 50001);
        DWORD v = 0, later = 0; // a later line of another case replaced v49999
        QVERIFY(key.ReadDword("v12345", v) && v == 12345 && key.ReadDword("v49999", later) && later == 7);
        QByteArray back;
        QVERIFY(key.ReadBinary("blob", back) && back == blob);
        QVERIFY(damagedFiles().isEmpty());
    }

    // What the store would not read back is never written.
    void writesBeyondLimitsRefused()
    {
        RegKey key;
        QCOMPARE(key.Create(HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop"), ERROR_SUCCESS);
        QCOMPARE(key.WriteString("Home", "/home/u"), ERROR_SUCCESS);
        const QByteArray before = TestEnv::readAll(hiveFile());

        RegKey deep;
        QCOMPARE(deep.Create(HKEY_CURRENT_USER, QString("k\\").repeated(kMaxKeyDepth + 1)), ERROR_INVALID_PARAMETER);
        QCOMPARE(deep.Create(HKEY_CURRENT_USER, QString(kMaxKeyPathChars + 1, 'k')), ERROR_INVALID_PARAMETER);
        QCOMPARE(key.WriteBinary("Big", QByteArray(kMaxValueBytes + 1, 'b')), ERROR_INVALID_PARAMETER);
        QCOMPARE(key.WriteString(QString(kMaxValueNameChars + 1, 'n'), "x"), ERROR_INVALID_PARAMETER);
        RegValueChanges mixed;
        mixed.SetString("Fine", "x");
        mixed.SetBinary("Big", QByteArray(kMaxValueBytes + 1, 'b'));
        QCOMPARE(key.SetValues(mixed), ERROR_INVALID_PARAMETER);
        // Each value fits, but the hive would not.
        RegValueChanges tooMuch;
        for (int i = 0; i < 9; ++i)
            tooMuch.SetBinary(QString("Part%1").arg(i), QByteArray(kMaxValueBytes, 'p'));
        QCOMPARE(key.SetValues(tooMuch), ERROR_WRITE_FAULT);
        QVERIFY(TestEnv::readAll(hiveFile()) == before && !key.ValueNames().contains("Part0"));
    }

    void severalValuesInOneWrite()
    {
        RegKey key;
        QCOMPARE(key.Create(HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop\\Recent File List"), ERROR_SUCCESS);
        for (const char* n : {"File3", "File4", "Other"})
            QCOMPARE(key.WriteString(n, "old"), ERROR_SUCCESS);
        RegValueChanges c;
        c.SetString("FILE1", "/a"), c.SetString("File2", "/b");
        c.DeleteValue("file3"), c.DeleteValue("File4"), c.DeleteValue("NeverThere");
        c.SetDword("File2", 2); // later changes win
        const ino_t before = inodeOf(hiveFile());
        QCOMPARE(key.SetValues(c), ERROR_SUCCESS);
        ResetStore();
        QCOMPARE(key.ValueNames(), (QStringList{"Other", "FILE1", "File2"}));
        DWORD v = 0;
        QVERIFY(key.ReadDword("file2", v) && v == 2);
        // Applying the same changes again leaves the file alone.
        const ino_t written = inodeOf(hiveFile());
        QVERIFY(written != before);
        RegValueChanges same;
        same.SetString("File1", "/a"), same.DeleteValue("File3");
        QCOMPARE(key.SetValues(same), ERROR_SUCCESS);
        QCOMPARE(inodeOf(hiveFile()), written);
    }

    // Two processes write their values one call at a time while a third
    // writes batches: a reader sees each batch whole, and no value is lost.
    void concurrentWritersKeepEverything()
    {
        RegKey key;
        QCOMPARE(key.Create(HKEY_CURRENT_USER, kConcurrentKey), ERROR_SUCCESS);
        QCOMPARE(key.WriteString("Before", "kept"), ERROR_SUCCESS);
        QProcess a, b, batch;
        for (auto [child, mode] : {std::pair{&a, "A"}, std::pair{&b, "B"}, std::pair{&batch, "batch"}})
            child->setProcessChannelMode(QProcess::ForwardedErrorChannel), startChild(*child, mode);
        QVERIFY(batch.waitForStarted());
        static const QRegularExpression re("\"File(\\d)\"=\"gen (\\d+)\"");
        int snapshots = 0;
        while (!batch.waitForFinished(1)) {
            QSet<QString> gens;
            int files = 0;
            for (auto it = re.globalMatch(QString::fromUtf8(TestEnv::readAll(hiveFile()))); it.hasNext(); ++files)
                gens << it.next().captured(2);
            snapshots += files > 0;
            QVERIFY(files == 0 || (files == 4 && gens.size() == 1));
        }
        QVERIFY(a.waitForFinished(90000) && b.waitForFinished(90000));
        QVERIFY(a.exitCode() + b.exitCode() + batch.exitCode() == 0 && snapshots > 0);

        // No reset: the store must notice the other processes' writes itself.
        QCOMPARE(key.ValueNames().size(), 2 * kValuesPerWriter + 5);
        for (int i = 0; i < 2 * kValuesPerWriter; ++i) {
            const QString name = QString(i % 2 ? "A" : "B") + QString::number(i / 2);
            QCOMPARE(stringOf(key, name), name + "-value");
        }
        QVERIFY(damagedFiles().isEmpty());
    }
};

int main(int argc, char** argv)
{
    // A child of a test: a reader, a writer of batches, or a writer of its own values one call at a time.
    const QByteArray mode = qgetenv(kWriterVar);
    RegKey key;
    if (mode == "read")
        return key.Open(HKEY_CURRENT_USER, "Software"), key.Open(HKEY_CURRENT_USER, "Software\\Corvane"), 0;
    for (int gen = 0; mode == "batch" && gen < 60; ++gen) {
        RegValueChanges c;
        for (int f = 1; f <= 4; ++f)
            c.SetString(QString("File%1").arg(f), QString("gen %1").arg(gen));
        if (key.Create(HKEY_CURRENT_USER, kConcurrentKey) || key.SetValues(c))
            return 3;
    }
    for (int i = 0; mode.size() == 1 && i < kValuesPerWriter; ++i) {
        const QString name = QString::fromLatin1(mode) + QString::number(i);
        if (key.Create(HKEY_CURRENT_USER, kConcurrentKey) || key.WriteString(name, name + "-value"))
            return 3;
    }
    if (!mode.isEmpty())
        return 0;
    QCoreApplication app(argc, argv);
    tst_Registry tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_registry.moc"
