// The phonebook and stored dial parameters: on disk, refused, damaged.

#include "RasTestUtil.h"

#include "platform/ras/SimModem.h"

#include <QtTest>

#include <algorithm>
#include <thread>

#include <sys/stat.h>

using namespace ras;
using rastest::Creds;
using rastest::Entries;
using rastest::Params;

class TestPhonebook : public QObject
{
    Q_OBJECT
    TestEnv m_env;

    static mode_t Mode(const QString& path)
    {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_mode & 0777;
    }
    static void WritePhonebook(const QByteArray& contents)
    {
        MakePrivateFolder(ConfigFolder());
        QVERIFY(TestEnv::writeAll(PhonebookPath(), contents));
    }

private slots:
    void init() { rastest::Reset(m_env); }

    void entryNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "My ISP" << true;
        QTest::newRow("unicode") << QString::fromUtf8("Провайдер Ü") << true;
        QTest::newRow("256 chars") << QString(256, 'n') << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("257 chars") << QString(257, 'n') << false;
        QTest::newRow("leading blank") << " ISP" << false;
        QTest::newRow("leading period") << ".hidden" << false;
        QTest::newRow("bad character") << "a/b" << false;
        QTest::newRow("control character") << QString("a") + QChar(0) + "b" << false;
    }

    // Stored exactly as given, or refused without touching the phonebook.
    void entryNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(ValidateEntryName(name), valid ? ERROR_SUCCESS : ERROR_INVALID_NAME);
        QCOMPARE(CreateEntry(name, rastest::SimEntry("connect")), valid ? ERROR_SUCCESS : ERROR_INVALID_NAME);
        QCOMPARE(Entries(), valid ? QStringList{name} : QStringList{});
        if (!valid) {
            QCOMPARE(SetEntryProperties(name, rastest::SimEntry("connect"), nullptr), ERROR_INVALID_NAME);
            QVERIFY(!QFile::exists(PhonebookPath()));
        }
    }

    // Blanks at the ends and quotes around a value are kept.
    void propertiesRoundTrip()
    {
        RasEntry e{.strLocalPhoneNumber = " +49 (30) 1234-5678 ", .strDeviceName = "/dev/ttyUSB0", .dwSpeed = 115200,
                   .strInitString = "\"AT+CGDCONT=1,\"IP\",\"apn\"\"", .strAuthentication = "chap", .strSimLine = "busy, connect 33600",
                   .mapSimLineByNumber = {{"555 0101", "nocarrier"}, {"+1 555", "drop 30 14400"}}};
        const QByteArray info("\x00\x01\xff binary \n\r", 14);
        QCOMPARE(CreateEntry("Full", e), ERROR_SUCCESS);
        QCOMPARE(SetEntryProperties("Full", e, &info), ERROR_SUCCESS);
        RasEntry back;
        QByteArray backInfo;
        QCOMPARE(GetEntryProperties("Full", &back, &backInfo), ERROR_SUCCESS);
        QVERIFY(back == e && backInfo == info);

        // Dropping a per-number line and leaving the device information alone.
        e.mapSimLineByNumber.remove("+1 555"), e.strLocalPhoneNumber.clear();
        QCOMPARE(SetEntryProperties("Full", e, nullptr), ERROR_SUCCESS);
        QCOMPARE(GetEntryProperties("Full", &back, &backInfo), ERROR_SUCCESS);
        QVERIFY(back == e && backInfo == info);
    }

    // Many entries or per-number lines within the size limit are read whole.
    void largePhonebooksRead()
    {
        QByteArray text;
        for (int i = 0; i < 100000; ++i)
            text += "[e" + QByteArray::number(i) + "]\n";
        text += "[Many]\nPhoneNumber=1\n";
        for (int i = 0; i < 5000; ++i)
            text += "SimLine@" + QByteArray::number(i) + "=busy\n";
        WritePhonebook(text);
        QCOMPARE(Entries().size(), 100001);
        QString stored;
        QVERIFY(FindEntry("E99999", &stored) && stored == "e99999");
        RasEntry e;
        QVERIFY(GetEntryProperties("many", &e, nullptr) == ERROR_SUCCESS && e.mapSimLineByNumber.size() == 5000);
        // Storing it again drops the unwanted numbers in the same single write.
        e.mapSimLineByNumber.removeIf([](auto it) { return it.key().size() > 1; });
        QCOMPARE(SetEntryProperties("Many", e, nullptr), ERROR_SUCCESS);
        QCOMPARE(GetEntryProperties("Many", &e, nullptr), ERROR_SUCCESS);
        QCOMPARE(e.mapSimLineByNumber.keys(), (QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
        QCOMPARE(Entries().size(), 100001);
    }

    void badPropertiesRefused_data()
    {
        QTest::addColumn<RasEntry>("entry");
        QTest::addColumn<DWORD>("code");
        const RasEntry ok = rastest::SimEntry("connect");
        RasEntry e = ok;
        e.strLocalPhoneNumber = QString(129, '1');
        QTest::newRow("number too long") << e << ERROR_BUFFER_TOO_SMALL;
        e.strLocalPhoneNumber = "555\n[Evil]";
        QTest::newRow("number with newline") << e << ERROR_INVALID_PARAMETER;
        (e = ok).strAuthentication = "kerberos";
        QTest::newRow("unknown authentication") << e << ERROR_INVALID_PARAMETER;
    }

    void badPropertiesRefused()
    {
        QFETCH(RasEntry, entry);
        rastest::AddEntry("Keep", "busy");
        const QByteArray before = TestEnv::readAll(PhonebookPath());
        QTEST(SetEntryProperties("Keep", entry, nullptr), "code");
        QCOMPARE(TestEnv::readAll(PhonebookPath()), before);
    }

    void entriesKeepFileOrderThroughRenameAndDelete()
    {
        for (const char* n : {"Charlie", "Alpha", "Bravo", "Delta"})
            rastest::AddEntry(n);
        // Names are unique ignoring case; another spelling reaches the one entry.
        QCOMPARE(CreateEntry("ALPHA", rastest::SimEntry("")), ERROR_ALREADY_EXISTS);
        QCOMPARE(SetEntryDialParams(Params("Bravo", "bob", "pw"), false), ERROR_SUCCESS);

        QCOMPARE(RenameEntry("bravo", "Bee Line"), ERROR_SUCCESS);
        QCOMPARE(Entries(), (QStringList{"Charlie", "Alpha", "Bee Line", "Delta"}));
        QCOMPARE(Creds("Bee Line"), QString("saved bob/pw"));
        QCOMPARE(RenameEntry("Bee Line", "alpha"), ERROR_ALREADY_EXISTS);
        QCOMPARE(RenameEntry("Nobody", "Fresh"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QCOMPARE(RenameEntry("Bee Line", "BEE LINE"), ERROR_SUCCESS); // a change of case only
        QCOMPARE(Entries(), (QStringList{"Charlie", "Alpha", "BEE LINE", "Delta"}));

        QVERIFY(DeleteEntry("bee line") == ERROR_SUCCESS && DeleteEntry("bee line") == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QCOMPARE(Entries(), (QStringList{"Charlie", "Alpha", "Delta"}));
        // The password goes with the entry; a new one of that name gets none.
        QVERIFY(!TestEnv::readAll(CredentialsPath()).contains(QByteArray("pw").toBase64()));
        rastest::AddEntry("Bee Line");
        QCOMPARE(Creds("Bee Line"), QString("unsaved /"));
    }

    void damagedPhonebook_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("binary garbage around a section")
            << QByteArray("\x00\xff\xfe garbage\n\x01\x02=\x03\n[Good]\nPhoneNumber=1\n\xff\xff", 40)
            << QStringList{"Good"};
        QTest::newRow("hostile names skipped")
            << QByteArray("[../../etc/passwd]\nPhoneNumber=1\n[Good]\nPhoneNumber=2\n[ctl\x01]\n[.dot]\n")
            << QStringList{"Good"};
        QTest::newRow("duplicate sections shown once")
            << QByteArray("[Dup]\nPhoneNumber=1\n[Other]\n[dup]\nPhoneNumber=2\n") << QStringList{"Dup", "Other"};
        QTest::newRow("crlf lines") << QByteArray("[One]\r\nPhoneNumber=1\r\n[Two]\r\n") << QStringList{"One", "Two"};
    }

    void damagedPhonebook()
    {
        QFETCH(QByteArray, contents);
        WritePhonebook(contents);
        QTEST(Entries(), "entries");
        RasEntry e;
        for (const QString& n : Entries())
            QCOMPARE(GetEntryProperties(n, &e, nullptr), ERROR_SUCCESS);
    }

    void damagedValuesAndOversize()
    {
        WritePhonebook("[Odd]\nPhoneNumber=" + QByteArray(10000, '5') + "\nSpeed=fast\nAuthentication=kerberos\n"
                       "SimLine@=busy\nSimLine@5=busy\nDeviceInfo=" + QByteArray(20000, 'A') + "\n");
        RasEntry e;
        QByteArray info;
        QCOMPARE(GetEntryProperties("Odd", &e, &info), ERROR_SUCCESS);
        QCOMPARE(std::tuple(e.strLocalPhoneNumber.size(), e.dwSpeed, e.strAuthentication, e.mapSimLineByNumber.keys(), info),
                 std::tuple(qsizetype(RAS_MaxPhoneNumber), DWORD(57600), QString("any"), QStringList{"5"}, QByteArray()));

        // A phonebook too large to be one is neither parsed nor rewritten.
        const QByteArray big = "[Big]\nPhoneNumber=1\n" + QByteArray(kMaxPhonebookBytes, 'x');
        WritePhonebook(big);
        QStringList names;
        QCOMPARE(EnumEntries(names), ERROR_CANNOT_OPEN_PHONEBOOK);
        QVERIFY(CreateEntry("New", rastest::SimEntry("")) == ERROR_CANNOT_OPEN_PHONEBOOK
                && DeleteEntry("Big") == ERROR_CANNOT_OPEN_PHONEBOOK);
        QCOMPARE(TestEnv::readAll(PhonebookPath()), big);
    }

    void credentialsRoundTrip_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("blanks kept") << " spaced user " << "  lead and trail  ";
        QTest::newRow("ini characters") << "a=b" << "x=y;z#[w]\\";
        QTest::newRow("empty password saved") << "u" << "";
        QTest::newRow("line break") << "u" << "two\nlines";
    }

    void credentialsRoundTrip()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        rastest::AddEntry("ISP");
        rastest::AddEntry("Other");
        QCOMPARE(SetEntryDialParams(Params("Other", "other", "other-pw"), false), ERROR_SUCCESS);
        QCOMPARE(SetEntryDialParams(Params("isp", user, password), false), ERROR_SUCCESS);
        QCOMPARE(Creds("ISP"), "saved " + user + "/" + password);
        // Private from its first byte; no password in the phonebook.
        QVERIFY(Mode(CredentialsPath()) == 0600 && Mode(ConfigFolder()) == 0700);
        if (!password.isEmpty())
            QVERIFY(!TestEnv::readAll(PhonebookPath()).contains(password.toUtf8()));

        // Removing the password keeps the user name and the other entry.
        QCOMPARE(SetEntryDialParams(Params("isp", user, password), true), ERROR_SUCCESS);
        QCOMPARE(Creds("ISP") + "|" + Creds("Other"), "unsaved " + user + "/|saved other/other-pw");
    }

    void exposedCredentialsRefused_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("symlink");
        QTest::newRow("group readable") << 0640 << false;
        QTest::newRow("symbolic link") << 0600 << true;
    }

    // A file others can read is neither used nor rewritten.
    void exposedCredentialsRefused()
    {
        QFETCH(int, mode);
        QFETCH(bool, symlink);
        rastest::AddEntry("ISP");
        QCOMPARE(SetEntryDialParams(Params("ISP", "alice", "topsecret"), false), ERROR_SUCCESS);
        if (symlink) {
            QVERIFY(QFile::rename(CredentialsPath(), m_env.path("elsewhere")));
            QVERIFY(QFile::link(m_env.path("elsewhere"), CredentialsPath()));
        } else {
            QVERIFY(::chmod(QFile::encodeName(CredentialsPath()).constData(), mode_t(mode)) == 0);
        }
        const QByteArray before = TestEnv::readAll(CredentialsPath());
        const QRegularExpression warning("stored dial parameters in .* are not used");
        QTest::ignoreMessage(QtWarningMsg, warning);
        QCOMPARE(Creds("ISP"), QString("unsaved /"));
        QTest::ignoreMessage(QtWarningMsg, warning);
        QCOMPARE(SetEntryDialParams(Params("ISP", "alice", "changed"), false), ERROR_ACCESS_DENIED);
        QTest::ignoreMessage(QtWarningMsg, warning);
        QCOMPARE(DeleteEntry("ISP"), ERROR_SUCCESS);
        QCOMPARE(TestEnv::readAll(CredentialsPath()), before);
    }

    void unknownEntryAndDamagedCredentials()
    {
        QCOMPARE(Creds("Ghost"), QString("error 623"));
        QVERIFY(SetEntryDialParams(Params("Ghost"), false) == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY && !QFile::exists(CredentialsPath()));

        rastest::AddEntry("ISP");
        QVERIFY(TestEnv::writeAll(CredentialsPath(),
                                  "UserName=orphan\n[ISP]\nPassword=!!not base64!!\nUserName=\xff\xfe\n[unterminated\n"));
        QVERIFY(::chmod(QFile::encodeName(CredentialsPath()).constData(), 0600) == 0);
        RasDialParams p = Params("ISP");
        bool saved = false;
        QVERIFY(GetEntryDialParams(p, saved) == ERROR_SUCCESS && saved && p.strPassword.size() <= RAS_MaxPassword);
        // Storing over it gives a clean file again.
        p.strPassword = "new";
        QCOMPARE(SetEntryDialParams(p, false), ERROR_SUCCESS);
        QCOMPARE(Creds("ISP"), "saved " + p.strUserName + "/new");
    }

    // Two savers at once (threads with a lock descriptor each, as two
    // programs have) keep every change: dial parameters and the simulated
    // line's call count, which must hand out each call once.
    void concurrentSavesLoseNothing()
    {
        constexpr int kEntries = 12;
        for (int i = 0; i < kEntries; ++i)
            rastest::AddEntry(QString("E%1").arg(i));
        QList<int> calls[2];
        auto save = [&calls](int half) {
            for (int i = half; i < kEntries; i += 2) {
                SetEntryDialParams(Params(QString("E%1").arg(i), "u", QString("pw%1").arg(i)), false);
                calls[half] << TakeSimCallIndex("E0", "555", "busy") << TakeSimCallIndex("E0", "555", "busy");
            }
        };
        std::thread other(save, 1);
        save(0);
        other.join();
        QStringList creds, expected;
        for (int i = 0; i < kEntries; ++i)
            creds << Creds(QString("E%1").arg(i)), expected << QString("saved u/pw%1").arg(i);
        QCOMPARE(creds, expected);
        QList<int> all = calls[0] + calls[1];
        std::sort(all.begin(), all.end());
        QCOMPARE(std::adjacent_find(all.begin(), all.end()), all.end());
        QVERIFY(all.size() == 2 * kEntries && all.front() == 0 && all.back() == 2 * kEntries - 1);
    }
};

QTEST_GUILESS_MAIN(TestPhonebook)
#include "tst_phonebook.moc"
