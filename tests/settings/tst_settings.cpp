#include "TestEnv.h"
#include "settings/Settings.h"
#include "platform/registry/Registry.h"

#include <QDir>
#include <QtTest>

#include <cerrno>
#include <memory>
#include <unistd.h>

namespace {

const char kAppPaths[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Dialtop.exe";

QStringList listing(const QString& folder) { return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

} // namespace

class tst_Settings : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;

private slots:
    void init() { m_env = std::make_unique<TestEnv>(), reg::ResetStore(), SetLoginNameOverride(QString()); }
    void cleanup() { m_env.reset(), reg::ResetStore(), SetLoginNameOverride(QString()); }

    // Home comes from the install's App Paths entry or the data folder, once.
    void firstRunHome_data()
    {
        QTest::addColumn<QString>("installed"); // App Paths' Path; none when null
        QTest::addColumn<QString>("stored");    // a "Home" already there; none when null
        QTest::newRow("user data folder") << QString() << QString();
        QTest::newRow("install folder") << "/opt/dialtop" << QString();
        // Neither names a folder for certain: both count as absent.
        QTest::newRow("relative Home and install folder") << "opt/dialtop" << "rel";
    }

    void firstRunHome()
    {
        QFETCH(QString, installed);
        QFETCH(QString, stored);
        reg::RegKey root;
        if (!stored.isNull())
            QVERIFY(!root.Create(reg::HKEY_CURRENT_USER, kSettingsRoot) && !root.WriteString("Home", stored));
        if (!installed.isNull()) {
            reg::RegKey app;
            QVERIFY(!app.Create(reg::HKEY_LOCAL_MACHINE, kAppPaths) && !app.WriteString("Path", installed));
        }
        const QString expected = installed.startsWith('/') ? installed : m_env->dataDir() + "/dialtop";
        QString home = "caller's";
        QVERIFY(GetHomeFolder(home) && home == expected);

        // Stored once: a later change of the data folder does not move home.
        qputenv("XDG_DATA_HOME", m_env->path("elsewhere").toUtf8());
        reg::ResetStore(); // read back from the file
        QVERIFY(GetHomeFolder(home) && home == expected);
    }

    void foldersFollowStoredHome()
    {
        reg::RegKey root;
        QVERIFY(!root.Create(reg::HKEY_CURRENT_USER, kSettingsRoot) && !root.WriteString("Home", "/srv/shared dialtop"));
        QString out;
        QVERIFY(GetThemesFolder(out) && out == "/srv/shared dialtop/Themes");

        // By login name; none is "Default".
        for (const QString name : {"alice", ""}) {
            SetLoginNameOverride(name);
            QVERIFY(GetUserThemesFolder(out) && out == "/srv/shared dialtop/Themes/" + (name.isEmpty() ? "Default" : name));
        }
        // Nothing is created by asking.
        QVERIFY(!QFileInfo::exists("/srv/shared dialtop"));
    }

    void createFolderPathAndEnsureFolderForFile()
    {
        const QString abc = m_env->path("A/B/C");
        QVERIFY(CreateFolderPath(abc) == 0 && QFileInfo(abc).isDir());
        QCOMPARE(CreateFolderPath(abc), EEXIST); // the last part decides

        // Both separators, doubled ones too.
        QVERIFY(CreateFolderPath(m_env->path("A/X\\Y\\\\Z\\")) == 0 && QFileInfo(m_env->path("A/X/Y/Z")).isDir());

        // Relative to the current folder.
        QVERIFY(QDir::setCurrent(m_env->path("A")));
        QVERIFY(CreateFolderPath("R/S") == 0 && QFileInfo(m_env->path("A/R/S")).isDir());

        // A file in the way.
        QVERIFY(TestEnv::writeAll(m_env->path("A/file"), "x"));
        QCOMPARE(CreateFolderPath(m_env->path("A/file/D")), ENOTDIR);
        QVERIFY(!EnsureFolderForFile(m_env->path("A/file/sub/x.Theme")));

        // A bare file name needs no folder; a deep one gets its folders only.
        QVERIFY(QDir::setCurrent(m_env->root()));
        const QStringList before = listing(m_env->root());
        QVERIFY(EnsureFolderForFile("Favorites.fav") && listing(m_env->root()) == before);

        QVERIFY(EnsureFolderForFile(m_env->path("Themes/alice/deep/Favorites.fav")) && QFileInfo(m_env->path("Themes/alice/deep")).isDir());
        QVERIFY(!QFileInfo::exists(m_env->path("Themes/alice/deep/Favorites.fav")));
    }

    void existenceAndChangeToFileFolder()
    {
        QVERIFY(QDir().mkpath(m_env->path("dir")));
        const QString file = m_env->path("dir/file.Theme");
        QVERIFY(TestEnv::writeAll(file, "x"));
        QVERIFY(FolderExists(m_env->path("dir")) && !FileExists(m_env->path("dir")));
        QVERIFY(FileExists(file) && !FolderExists(file));
        QVERIFY(!FileExists(file + "/x") && !FolderExists(m_env->path("dir/none")));

        const QString dir = QFileInfo(m_env->path("dir")).canonicalFilePath();
        QVERIFY(ChangeToFileFolder(m_env->path("dir") + "\\x.Theme") == 0 && QDir::currentPath() == dir); // either separator
        QVERIFY(ChangeToFileFolder(m_env->path("none/x.Theme")) != 0 && QDir::currentPath() == dir);
        QVERIFY(ChangeToFileFolder("/x.Theme") == 0 && QDir::currentPath() == "/");

        // A file that cannot be read does not count.
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        QVERIFY(QFile::setPermissions(file, QFileDevice::WriteOwner));
        QVERIFY(!FileExists(file));
    }

    void settingValues()
    {
        unsigned char buffer[4] = {0xAA, 0xBB, 0xCC, 0xDD};
        const auto untouched = [&] { return QByteArray((const char*)buffer, 4) == "\xAA\xBB\xCC\xDD"; };
        QVERIFY(!ReadSettingValue("Connection", "Alarm", buffer, 4) && untouched());

        const std::uint32_t on = 1;
        QVERIFY(WriteSettingValue("Connection", "Alarm", reg::REG_BINARY, &on, 4));

        // Key there, value missing: still untouched.
        QVERIFY(!ReadSettingValue("Connection", "PlaySound", buffer, 4) && untouched());
        // A buffer too small is a failed read and is left as it was.
        QVERIFY(!ReadSettingValue("Connection", "Alarm", buffer, 2) && untouched());

        std::uint32_t value = 7;
        reg::ResetStore(); // read back from the file
        QVERIFY(ReadSettingValue("Connection", "Alarm", &value, 4) && value == 1u);
    }
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
