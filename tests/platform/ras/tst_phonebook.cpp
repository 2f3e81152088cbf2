// The phonebook and the stored dial parameters: what lands on disk, what is
// refused, and what survives damaged or hostile files.

#include "RasTestUtil.h"
#include "platform/ras/Credentials.h"
#include "platform/ras/Phonebook.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QtTest>

#include <sys/stat.h>

using namespace ras;

class TestPhonebook : public QObject
{
    Q_OBJECT
    TestEnv m_env;

    static QStringList Entries()
    {
        QStringList names;
        EnumEntries(names);
        return names;
    }
    static mode_t Mode(const QString& path)
    {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_mode & 0777;
    }

private slots:
    void init() { rastest::Reset(m_env); }

    void entryNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "My ISP" << true;
        QTest::newRow("unicode") << QString::fromUtf8("Провайдер Ü") << true;
        QTest::newRow("punctuation") << "ISP (home) & co; x=y, #1 %s" << true;
        QTest::newRow("one char") << "a" << true;
        QTest::newRow("256 chars") << QString(256, 'n') << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("257 chars") << QString(257, 'n') << false;
        QTest::newRow("leading blank") << " ISP" << false;
        QTest::newRow("trailing blank") << "ISP " << false;
        QTest::newRow("leading period") << ".hidden" << false;
        QTest::newRow("parent folder") << ".." << false;
        QTest::newRow("slash") << "a/b" << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("colon") << "a:b" << false;
        QTest::newRow("star") << "a*b" << false;
        QTest::newRow("question") << "a?b" << false;
        QTest::newRow("quote") << "a\"b" << false;
        QTest::newRow("angle") << "a<b>" << false;
        QTest::newRow("pipe") << "a|b" << false;
        QTest::newRow("section brackets") << "[x]" << false;
        QTest::newRow("newline") << "two\nlines" << false;
        QTest::newRow("nul") << QString("a") + QChar(0) + "b" << false;
        QTest::newRow("line separator") << QString("a") + QChar(0x2028) + "b" << false;
        QTest::newRow("lone surrogate") << QString("a") + QChar(0xD800) << false;
    }

    // A name is either stored exactly as given or refused without touching
    // the phonebook.
    void entryNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(ValidateEntryName(name), valid ? ERROR_SUCCESS : ERROR_INVALID_NAME);
        const DWORD rc = CreateEntry(name, rastest::SimEntry("connect"));
        if (valid) {
            QCOMPARE(rc, ERROR_SUCCESS);
            QCOMPARE(Entries(), QStringList{name});
        } else {
            QCOMPARE(rc, ERROR_INVALID_NAME);
            QVERIFY(!QFile::exists(PhonebookPath()));
            QCOMPARE(SetEntryProperties(name, rastest::SimEntry("connect"), nullptr), ERROR_INVALID_NAME);
            QVERIFY(!QFile::exists(PhonebookPath()));
        }
    }

    void namesAreUniqueIgnoringCase()
    {
        rastest::AddEntry("Home");
        QCOMPARE(CreateEntry("HOME", rastest::SimEntry("")), ERROR_ALREADY_EXISTS);
        // Setting properties through another spelling changes the one entry.
        QCOMPARE(SetEntryProperties("home", rastest::SimEntry("busy", "1"), nullptr), ERROR_SUCCESS);
        QCOMPARE(Entries(), QStringList{"Home"});
        RasEntry e;
        QCOMPARE(GetEntryProperties("hOmE", &e, nullptr), ERROR_SUCCESS);
        QCOMPARE(e.strSimLine, QString("busy"));
    }

    void propertiesRoundTrip()
    {
        RasEntry e;
        e.strLocalPhoneNumber = "+49 (30) 1234-5678";
        e.strDeviceName = "/dev/ttyUSB0";
        e.dwSpeed = 115200;
        e.strInitString = "AT&F1 S7=60 &C1";
        e.strAuthentication = "chap";
        e.strSimLine = "busy, connect 33600";
        e.mapSimLineByNumber.insert("555 0101", "nocarrier");
        e.mapSimLineByNumber.insert("+1 555", "drop 30 14400");
        const QByteArray info("\x00\x01\xff binary \n\r", 14);
        QCOMPARE(CreateEntry("Full", e), ERROR_SUCCESS);
        QCOMPARE(SetEntryProperties("Full", e, &info), ERROR_SUCCESS);

        RasEntry back;
        QByteArray backInfo;
        QCOMPARE(GetEntryProperties("Full", &back, &backInfo), ERROR_SUCCESS);
        QCOMPARE(back, e);
        QCOMPARE(backInfo, info);

        // Dropping a per-number line and leaving the device information alone.
        e.mapSimLineByNumber.remove("+1 555");
        e.strLocalPhoneNumber.clear();
        QCOMPARE(SetEntryProperties("Full", e, nullptr), ERROR_SUCCESS);
        QCOMPARE(GetEntryProperties("Full", &back, &backInfo), ERROR_SUCCESS);
        QCOMPARE(back, e);
        QCOMPARE(back.strLocalPhoneNumber, QString(""));
        QCOMPARE(backInfo, info);
        QCOMPARE(GetEntryProperties("Missing", &back, nullptr), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    }

    void badPropertiesRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<DWORD>("code");
        QTest::newRow("number too long") << "phone" << QString(129, '1') << ERROR_BUFFER_TOO_SMALL;
        QTest::newRow("number with newline") << "phone" << "555\n[Evil]" << ERROR_INVALID_PARAMETER;
        QTest::newRow("init with newline") << "init" << "ATZ\nX=1" << ERROR_INVALID_PARAMETER;
        QTest::newRow("unknown line step") << "sim" << "ring twice" << ERROR_INVALID_PARAMETER;
        QTest::newRow("unknown authentication") << "auth" << "kerberos" << ERROR_INVALID_PARAMETER;
    }

    void badPropertiesRefused()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(DWORD, code);
        rastest::AddEntry("Keep", "busy");
        const QByteArray before = TestEnv::readAll(PhonebookPath());
        RasEntry e = rastest::SimEntry("connect");
        if (field == "phone")
            e.strLocalPhoneNumber = value;
        else if (field == "init")
            e.strInitString = value;
        else if (field == "sim")
            e.strSimLine = value;
        else
            e.strAuthentication = value;
        QCOMPARE(SetEntryProperties("Keep", e, nullptr), code);
        QCOMPARE(TestEnv::readAll(PhonebookPath()), before);
    }

    void entriesKeepFileOrderThroughRenameAndDelete()
    {
        for (const char* n : {"Charlie", "Alpha", "Bravo", "Delta"})
            rastest::AddEntry(n);
        QCOMPARE(Entries(), (QStringList{"Charlie", "Alpha", "Bravo", "Delta"}));

        RasDialParams p;
        p.strEntryName = "Bravo";
        p.strUserName = "bob";
        p.strPassword = "pw";
        QCOMPARE(SetEntryDialParams(p, false), ERROR_SUCCESS);

        QCOMPARE(RenameEntry("bravo", "Bee Line"), ERROR_SUCCESS);
        QCOMPARE(Entries(), (QStringList{"Charlie", "Alpha", "Bee Line", "Delta"}));
        RasDialParams q;
        q.strEntryName = "Bee Line";
        bool saved = false;
        QCOMPARE(GetEntryDialParams(q, saved), ERROR_SUCCESS);
        QVERIFY(saved);
        QCOMPARE(q.strUserName, QString("bob"));
        QCOMPARE(q.strPassword, QString("pw"));
        RasEntry e;
        QCOMPARE(GetEntryProperties("Bee Line", &e, nullptr), ERROR_SUCCESS);
        QCOMPARE(e.strLocalPhoneNumber, QString("555 0100"));

        QCOMPARE(RenameEntry("Bee Line", "alpha"), ERROR_ALREADY_EXISTS);
        QCOMPARE(RenameEntry("Nobody", "Fresh"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QCOMPARE(RenameEntry("Bee Line", "bad/name"), ERROR_INVALID_NAME);
        QCOMPARE(RenameEntry("Bee Line", "BEE LINE"), ERROR_SUCCESS); // a change of case only
        QCOMPARE(Entries(), (QStringList{"Charlie", "Alpha", "BEE LINE", "Delta"}));

        QCOMPARE(DeleteEntry("alpha"), ERROR_SUCCESS);
        QCOMPARE(DeleteEntry("bee line"), ERROR_SUCCESS);
        QCOMPARE(DeleteEntry("bee line"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QCOMPARE(Entries(), (QStringList{"Charlie", "Delta"}));
        // The deleted entry's stored password went with it.
        QVERIFY(!TestEnv::readAll(CredentialsPath()).contains(QByteArray("pw").toBase64()));
        // A new entry of the old name does not inherit it.
        rastest::AddEntry("Bee Line");
        QCOMPARE(GetEntryDialParams(q, saved), ERROR_SUCCESS);
        QVERIFY(!saved);
        QVERIFY(q.strUserName.isEmpty());
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
        QTest::newRow("no sections") << QByteArray("PhoneNumber=1\njunk\n") << QStringList{};
        QTest::newRow("crlf lines") << QByteArray("[One]\r\nPhoneNumber=1\r\n[Two]\r\n") << QStringList{"One", "Two"};
    }

    void damagedPhonebook()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, entries);
        MakePrivateFolder(ConfigFolder());
        QVERIFY(TestEnv::writeAll(PhonebookPath(), contents));
        QStringList names;
        QCOMPARE(EnumEntries(names), ERROR_SUCCESS);
        QCOMPARE(names, entries);
        for (const QString& n : names) {
            RasEntry e;
            QCOMPARE(GetEntryProperties(n, &e, nullptr), ERROR_SUCCESS);
        }
    }

    void damagedValuesAreTamed()
    {
        MakePrivateFolder(ConfigFolder());
        QByteArray file = "[Odd]\nPhoneNumber=" + QByteArray(10000, '5') + "\nSpeed=fast\nAuthentication=kerberos\n"
                          "SimLine@=busy\nSimLine@5=busy\nDeviceInfo=" + QByteArray(20000, 'A') + "\n";
        QVERIFY(TestEnv::writeAll(PhonebookPath(), file));
        RasEntry e;
        QByteArray info;
        QCOMPARE(GetEntryProperties("Odd", &e, &info), ERROR_SUCCESS);
        QCOMPARE(e.strLocalPhoneNumber.size(), RAS_MaxPhoneNumber);
        QCOMPARE(e.dwSpeed, DWORD(57600));
        QCOMPARE(e.strAuthentication, QString("any"));
        QCOMPARE(e.mapSimLineByNumber.keys(), QStringList{"5"});
        QVERIFY(info.isEmpty());
    }

    // A phonebook too large to be one is neither parsed nor rewritten.
    void oversizedPhonebookIsLeftAlone()
    {
        MakePrivateFolder(ConfigFolder());
        QByteArray big = "[Big]\nPhoneNumber=1\n" + QByteArray(kMaxPhonebookBytes, 'x');
        QVERIFY(TestEnv::writeAll(PhonebookPath(), big));
        QStringList names;
        QCOMPARE(EnumEntries(names), ERROR_CANNOT_OPEN_PHONEBOOK);
        QVERIFY(names.isEmpty());
        QCOMPARE(CreateEntry("New", rastest::SimEntry("")), ERROR_CANNOT_OPEN_PHONEBOOK);
        QCOMPARE(DeleteEntry("Big"), ERROR_CANNOT_OPEN_PHONEBOOK);
        QCOMPARE(RenameEntry("Big", "Small"), ERROR_CANNOT_OPEN_PHONEBOOK);
        QCOMPARE(TestEnv::readAll(PhonebookPath()), big);
    }

    void credentialsRoundTrip_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("plain") << "alice" << "s3cret";
        QTest::newRow("blanks kept") << " spaced user " << "  lead and trail  ";
        QTest::newRow("ini characters") << "a=b" << "x=y;z#[w]\\";
        QTest::newRow("unicode") << QString::fromUtf8("пользователь") << QString::fromUtf8("пароль€");
        QTest::newRow("empty password saved") << "u" << "";
        QTest::newRow("line break") << "u" << "two\nlines";
    }

    void credentialsRoundTrip()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        rastest::AddEntry("ISP");
        rastest::AddEntry("Other");
        RasDialParams other;
        other.strEntryName = "Other";
        other.strUserName = "other";
        other.strPassword = "other-pw";
        QCOMPARE(SetEntryDialParams(other, false), ERROR_SUCCESS);

        RasDialParams p;
        p.strEntryName = "isp";
        p.strUserName = user;
        p.strPassword = password;
        QCOMPARE(SetEntryDialParams(p, false), ERROR_SUCCESS);

        RasDialParams back;
        back.strEntryName = "ISP";
        back.strPhoneNumber = "left over";
        bool saved = false;
        QCOMPARE(GetEntryDialParams(back, saved), ERROR_SUCCESS);
        QVERIFY(saved);
        QCOMPARE(back.strUserName, user);
        QCOMPARE(back.strPassword, password);
        QVERIFY(back.strPhoneNumber.isEmpty());

        // The file is private from its first byte, and no password is in
        // the phonebook.
        QCOMPARE(Mode(CredentialsPath()), mode_t(0600));
        QCOMPARE(Mode(ConfigFolder()), mode_t(0700));
        if (!password.isEmpty())
            QVERIFY(!TestEnv::readAll(PhonebookPath()).contains(password.toUtf8()));

        // Removing the password keeps the user name and the other entry.
        QCOMPARE(SetEntryDialParams(p, true), ERROR_SUCCESS);
        QCOMPARE(GetEntryDialParams(back, saved), ERROR_SUCCESS);
        QVERIFY(!saved);
        QCOMPARE(back.strUserName, user);
        QVERIFY(back.strPassword.isEmpty());
        QCOMPARE(GetEntryDialParams(other, saved), ERROR_SUCCESS);
        QVERIFY(saved);
        QCOMPARE(other.strPassword, QString("other-pw"));
    }

    void credentialsOfUnknownEntry()
    {
        RasDialParams p;
        p.strEntryName = "Ghost";
        bool saved = true;
        QCOMPARE(GetEntryDialParams(p, saved), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QVERIFY(!saved);
        QCOMPARE(SetEntryDialParams(p, false), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        QVERIFY(!QFile::exists(CredentialsPath()));
    }

    void exposedCredentialsRefused_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("symlink");
        QTest::newRow("group readable") << 0640 << false;
        QTest::newRow("world readable") << 0604 << false;
        QTest::newRow("group writable") << 0620 << false;
        QTest::newRow("symbolic link") << 0600 << true;
    }

    // A file others can read is neither used nor rewritten, and the warning
    // does not give the password away.
    void exposedCredentialsRefused()
    {
        QFETCH(int, mode);
        QFETCH(bool, symlink);
        rastest::AddEntry("ISP");
        RasDialParams p;
        p.strEntryName = "ISP";
        p.strUserName = "alice";
        p.strPassword = "topsecret";
        QCOMPARE(SetEntryDialParams(p, false), ERROR_SUCCESS);
        if (symlink) {
            QVERIFY(QFile::rename(CredentialsPath(), m_env.path("elsewhere")));
            QVERIFY(QFile::link(m_env.path("elsewhere"), CredentialsPath()));
        } else {
            QVERIFY(::chmod(QFile::encodeName(CredentialsPath()).constData(), mode_t(mode)) == 0);
        }
        const QByteArray before = TestEnv::readAll(CredentialsPath());

        const QRegularExpression warning("stored dial parameters in .* are not used");
        QTest::ignoreMessage(QtWarningMsg, warning);
        RasDialParams back;
        back.strEntryName = "ISP";
        bool saved = true;
        QCOMPARE(GetEntryDialParams(back, saved), ERROR_SUCCESS);
        QVERIFY(!saved);
        QVERIFY(back.strPassword.isEmpty());
        QVERIFY(back.strUserName.isEmpty());

        QTest::ignoreMessage(QtWarningMsg, warning);
        p.strPassword = "changed";
        QCOMPARE(SetEntryDialParams(p, false), ERROR_ACCESS_DENIED);
        QCOMPARE(TestEnv::readAll(CredentialsPath()), before);
        QTest::ignoreMessage(QtWarningMsg, warning);
        QCOMPARE(DeleteEntry("ISP"), ERROR_SUCCESS);
        QCOMPARE(TestEnv::readAll(CredentialsPath()), before);
    }

    void damagedCredentialsFile()
    {
        rastest::AddEntry("ISP");
        MakePrivateFolder(ConfigFolder());
        const QByteArray junk("UserName=orphan\n[ISP]\nPassword=!!not base64!!\nUserName=\xff\xfe\n[unterminated\n");
        QVERIFY(TestEnv::writeAll(CredentialsPath(), junk));
        QVERIFY(::chmod(QFile::encodeName(CredentialsPath()).constData(), 0600) == 0);
        RasDialParams p;
        p.strEntryName = "ISP";
        bool saved = false;
        QCOMPARE(GetEntryDialParams(p, saved), ERROR_SUCCESS);
        QVERIFY(saved);
        QVERIFY(p.strPassword.size() <= RAS_MaxPassword);
        // Storing over it gives a clean file again.
        p.strPassword = "new";
        QCOMPARE(SetEntryDialParams(p, false), ERROR_SUCCESS);
        QCOMPARE(GetEntryDialParams(p, saved), ERROR_SUCCESS);
        QCOMPARE(p.strPassword, QString("new"));
    }
};

QTEST_GUILESS_MAIN(TestPhonebook)
#include "tst_phonebook.moc"
