// Start-up: the kernel check, the choice of the first theme, installing the
// starter theme, the theme file dialog's naming rules, and whole start-ups in
// this process.

#include "TestEnv.h"
#include "app/DialtopApp.h"
#include "app/Settings.h"
#include "app/SingleInstance.h"
#include "app/SplashWnd.h"
#include "app/ThemeFileDialog.h"
#include "framework/FileDialog.h"
#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "platform/registry/Registry.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/DialtopDoc.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <memory>

namespace {

void writeTheme(const QString& path, const QStringList& tabNames, const QString& target = "/usr/bin/env")
{
    CThemeData theme;
    for (int i = 0; i < tabNames.size(); ++i) {
        theme.InsertTab(i)->m_strName = tabNames[i];
        CThemeItem* item = theme.InsertItem(i, 0);
        item->m_strName = "Item";
        item->m_strTarget = target;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    theme.m_strPath = path;
    theme.m_bModified = true;
    QVERIFY(theme.Save());
}

QString themesFolder()
{
    QString folder;
    GetThemesFolder(folder);
    return folder;
}

QString recentFirst()
{
    reg::RegKey key;
    QString value;
    if (key.Open(reg::HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop\\Recent File List") == reg::ERROR_SUCCESS)
        key.ReadString("File1", value);
    return value;
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<CDialtopApp> m_app;
    QList<fw::MessageRequest> m_messages;
    QList<fw::FileDialogRequest> m_dialogs;
    QStringList m_dialogAnswers;
    QByteArray m_savedHome;

    void makeApp(const QStringList& recent = {})
    {
        m_app = std::make_unique<CDialtopApp>();
        m_app->SetRegistryKey("Corvane");
        for (int i = 0; i < recent.size(); ++i)
            m_app->WriteProfileString("Recent File List", QString("File%1").arg(i + 1), recent[i]);
        m_app->LoadStdProfileSettings(4);
    }

    QString shareDir() const { return m_env->path("share"); }

private slots:
    void initTestCase()
    {
        m_savedHome = qgetenv("HOME");
        CSplashWnd::SetTimeout(20);
    }

    void init()
    {
        m_env = std::make_unique<TestEnv>();
        reg::ResetStore();
        QDir().mkpath(m_env->path("home"));
        qputenv("HOME", m_env->path("home").toUtf8());
        qputenv("DIALTOP_SHARE_DIR", shareDir().toUtf8());
        CDialtopApp::SetKernelReleaseOverride("6.1.0-18-amd64");
        m_messages.clear();
        m_dialogs.clear();
        m_dialogAnswers.clear();
        fw::SetMessageHandler([this](const fw::MessageRequest& r) {
            m_messages << r;
            return fw::IDOK;
        });
        fw::SetFileDialogHandler([this](fw::FileDialogRequest& r) {
            m_dialogs << r;
            if (m_dialogAnswers.isEmpty())
                return false;
            const QString answer = m_dialogAnswers.takeFirst();
            if (answer.isNull())
                return false;
            r.fileName = answer;
            return true;
        });
    }

    void cleanup()
    {
        if (m_app)
            m_app->ExitInstance();
        m_app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        fw::SetMessageHandler({});
        fw::SetFileDialogHandler({});
        CDialtopApp::SetKernelReleaseOverride(QString());
        qunsetenv("DIALTOP_SHARE_DIR");
        m_env.reset();
        reg::ResetStore();
    }

    void cleanupTestCase()
    {
        qputenv("HOME", m_savedHome);
    }

    void majorVersion_data()
    {
        QTest::addColumn<QString>("release");
        QTest::addColumn<int>("major");
        QTest::newRow("debian") << "6.1.0-18-amd64" << 6;
        QTest::newRow("two digits") << "10.2.1" << 10;
        QTest::newRow("old") << "3.19.0" << 3;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("no digits") << "linux" << 0;
    }

    void majorVersion()
    {
        QFETCH(QString, release);
        QFETCH(int, major);
        QCOMPARE(CDialtopApp::MajorVersion(release), major);
    }

    void oldKernelIsRefused()
    {
        CDialtopApp::SetKernelReleaseOverride("3.19.0");
        m_app = std::make_unique<CDialtopApp>();
        QVERIFY(!m_app->InitInstance({}));
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].text, QString("This application will only run on Linux 4.0 or greater"));
        QCOMPARE(m_messages[0].caption, QString("Error"));
        QCOMPARE(m_messages[0].style & fw::MB_ICONMASK, fw::MB_ICONASTERISK);
        QVERIFY(!m_messages[0].owner);
        // Refused before anything else: no instance claimed, no window.
        QVERIFY(!QFileInfo::exists(CSingleInstance::ServerPath()));
        QVERIFY(!m_app->GetDocTemplate());
        QVERIFY(!m_app->m_bClassRegistered);
    }

    void startThemeIsTheFirstRecentWhenItExists()
    {
        const QString recent = m_env->path("mine/Recent.Theme");
        writeTheme(recent, {"R"});
        writeTheme(themesFolder() + "/First.Theme", {"F"});
        makeApp({recent});
        QCOMPARE(m_app->ChooseStartTheme(), recent);
    }

    void deletedRecentGivesANewThemeAndFirstIsNotTried()
    {
        // A starter to install and a First.Theme would both be at hand.
        writeTheme(shareDir() + "/First.Theme", {"Starter"});
        makeApp({m_env->path("mine/Gone.Theme"), m_env->path("mine/Other.Theme")});
        writeTheme(m_env->path("mine/Other.Theme"), {"O"});
        QCOMPARE(m_app->ChooseStartTheme(), QString());
        QVERIFY(m_app->m_strFirstTheme.isEmpty());
        QVERIFY(!QFileInfo::exists(themesFolder() + "/First.Theme"));
    }

    void emptyRecentListOpensFirstThemeOfTheThemesFolder()
    {
        writeTheme(themesFolder() + "/First.Theme", {"F"});
        makeApp();
        const QString expected = themesFolder() + "/First.Theme";
        QCOMPARE(m_app->ChooseStartTheme(), expected);
        QCOMPARE(m_app->m_strFirstTheme, expected);
    }

    void emptyRecentListWithoutAnyThemeGivesANewOne()
    {
        makeApp();
        QCOMPARE(m_app->ChooseStartTheme(), QString());
    }

    void firstRunInstallsTheStarterTheme()
    {
        writeTheme(shareDir() + "/First.Theme", {"Starter A", "Starter B"});
        makeApp();
        const QString chosen = m_app->ChooseStartTheme();
        QCOMPARE(chosen, themesFolder() + "/First.Theme");
        CThemeData theme;
        QVERIFY(theme.Load(chosen));
        QCOMPARE(theme.GetTabCount(), 2);
        QCOMPARE(theme.GetTab(1)->m_strName, QString("Starter B"));
    }

    void starterThemeExpandsHomeReferences()
    {
        CThemeData starter;
        CThemeTab* tab = starter.InsertTab(0);
        tab->m_strName = "Folders";
        const QStringList targets{"~", "~/Documents", "~other/x", "/usr/bin/env", "a~/b"};
        for (int j = 0; j < targets.size(); ++j) {
            CThemeItem* item = starter.InsertItem(0, j);
            item->m_strName = QString("I%1").arg(j);
            item->m_strTarget = targets[j];
            item->m_strStartIn = j == 0 ? "~/work" : QString();
            item->m_strIconFile = j == 1 ? "~/icons/doc.png" : QString();
        }
        QDir().mkpath(shareDir());
        starter.m_strPath = shareDir() + "/First.Theme";
        starter.m_bModified = true;
        QVERIFY(starter.Save());

        const QString themes = m_env->path("fresh/Themes");
        QVERIFY(CDialtopApp::InstallFirstTheme(themes));
        CThemeData installed;
        QVERIFY(installed.Load(themes + "/First.Theme"));
        const QString home = m_env->path("home");
        QCOMPARE(installed.GetItem(0, 0)->m_strTarget, home);
        QCOMPARE(installed.GetItem(0, 0)->m_strStartIn, home + "/work");
        QCOMPARE(installed.GetItem(0, 1)->m_strTarget, home + "/Documents");
        QCOMPARE(installed.GetItem(0, 1)->m_strIconFile, home + "/icons/doc.png");
        QCOMPARE(installed.GetItem(0, 2)->m_strTarget, QString("~other/x"));
        QCOMPARE(installed.GetItem(0, 3)->m_strTarget, QString("/usr/bin/env"));
        QCOMPARE(installed.GetItem(0, 4)->m_strTarget, QString("a~/b"));
        // The installed copy is untouched.
        CThemeData again;
        QVERIFY(again.Load(shareDir() + "/First.Theme"));
        QCOMPARE(again.GetItem(0, 0)->m_strTarget, QString("~"));
    }

    void starterIsCopiedOnlyIntoAFolderWithoutThemes()
    {
        writeTheme(shareDir() + "/First.Theme", {"Starter"});
        const QString themes = m_env->path("t/Themes");

        // Other files do not count.
        QDir().mkpath(themes);
        QVERIFY(TestEnv::writeAll(themes + "/readme.txt", "x"));
        QVERIFY(CDialtopApp::InstallFirstTheme(themes));
        QVERIFY(QFileInfo::exists(themes + "/First.Theme"));

        // A folder that already holds a theme is left alone.
        const QString other = m_env->path("u/Themes");
        writeTheme(other + "/Mine.Theme", {"Mine"});
        QVERIFY(!CDialtopApp::InstallFirstTheme(other));
        QVERIFY(!QFileInfo::exists(other + "/First.Theme"));

        // No starter installed: nothing to copy.
        qputenv("DIALTOP_SHARE_DIR", m_env->path("nowhere").toUtf8());
        QVERIFY(!CDialtopApp::InstallFirstTheme(m_env->path("v/Themes")));
        QVERIFY(!QFileInfo::exists(m_env->path("v/Themes/First.Theme")));
    }

    void promptAppliesTheThemeExtension_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("result");
        QTest::newRow("other extension") << "/t/notes.txt" << "/t/notes.Theme";
        QTest::newRow("no extension") << "/t/notes" << "/t/notes.Theme";
        QTest::newRow("two dots") << "/t/a.b.Theme" << "/t/a.b.Theme";
        QTest::newRow("already a theme") << "/t/Work.Theme" << "/t/Work.Theme";
        QTest::newRow("dotted folder") << "/x/My.Folder/notes" << "/x/My.Folder/notes.Theme";
        QTest::newRow("backslash folder") << "C:\\My.Folder\\notes" << "C:\\My.Folder\\notes.Theme";
        QTest::newRow("trailing dot") << "/t/notes." << "/t/notes.Theme";
    }

    void promptAppliesTheThemeExtension()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, result);
        m_dialogAnswers << chosen;
        QString name;
        QVERIFY(PromptThemeFileName(name, ids::AFX_IDS_SAVEFILE, fw::OFN_HIDEREADONLY | fw::OFN_PATHMUSTEXIST, false));
        QCOMPARE(name, result);
        QCOMPARE(ApplyThemeExtension(chosen), result);
    }

    void promptStartsInTheThemesFolderCreatedWhenMissing()
    {
        const QString themes = themesFolder();
        QVERIFY(!QFileInfo::exists(themes));
        m_dialogAnswers << QString();
        QString name = "Proposed.Theme";
        QVERIFY(!PromptThemeFileName(name, ids::AFX_IDS_OPENFILE, fw::OFN_HIDEREADONLY | fw::OFN_FILEMUSTEXIST, true));
        QCOMPARE(name, QString("Proposed.Theme")); // cancel leaves the name alone
        QVERIFY(QFileInfo(themes).isDir());

        QCOMPARE(m_dialogs.size(), 1);
        const fw::FileDialogRequest& req = m_dialogs[0];
        QCOMPARE(req.initialDir, themes);
        QVERIFY(req.bOpen);
        QCOMPARE(req.title, QString("Open"));
        QCOMPARE(req.fileName, QString("Proposed.Theme"));
        QCOMPARE(req.filter, QString("Themes |*.Theme||"));
        QCOMPARE(req.defaultExt, QString(".Theme"));
        QCOMPARE(req.flags, 0x1004u | 0xEu);
    }

    void startUpOpensTheCommandLineTheme()
    {
        const QString recent = m_env->path("mine/Recent.Theme");
        const QString named = m_env->path("mine/Named.Theme");
        writeTheme(recent, {"R"});
        writeTheme(named, {"N1", "N2"});
        writeTheme(themesFolder() + "/First.Theme", {"F"});
        makeApp({recent});
        QVERIFY(m_app->InitInstance({named}));
        auto* doc = static_cast<CDialtopDoc*>(m_app->GetDocTemplate()->GetDocument());
        QCOMPARE(doc->GetPathName(), named);
        QCOMPARE(doc->m_theme.GetTabCount(), 2);
        QCOMPARE(m_app->GetDocTemplate()->GetFrame()->windowTitle(), QString("Dialtop - Named"));
        QVERIFY(m_app->GetDocTemplate()->GetFrame()->isVisible());
        QVERIFY(m_app->m_bClassRegistered);
        QVERIFY(QFileInfo::exists(CSingleInstance::ServerPath()));
        QCOMPARE(recentFirst(), named);
        QVERIFY(m_messages.isEmpty());

        m_app->ExitInstance();
        QVERIFY(!m_app->m_bClassRegistered);
        QVERIFY(!QFileInfo::exists(CSingleInstance::ServerPath()));
    }

    void aRelativeCommandLineNameIsTakenFromTheCurrentFolder()
    {
        const QString named = m_env->path("mine/Named.Theme");
        writeTheme(named, {"N"});
        QVERIFY(QDir::setCurrent(m_env->path("mine")));
        m_app = std::make_unique<CDialtopApp>();
        QVERIFY(m_app->InitInstance({"--some-option", "Named.Theme"}));
        auto* doc = static_cast<CDialtopDoc*>(m_app->GetDocTemplate()->GetDocument());
        QCOMPARE(doc->GetPathName(), named);
        QCOMPARE(m_app->RecentFiles().value(0), named);
    }

    void startUpWithoutRecentOpensTheInstalledStarter()
    {
        writeTheme(shareDir() + "/First.Theme", {"Starter"});
        m_app = std::make_unique<CDialtopApp>();
        QVERIFY(m_app->InitInstance({}));
        auto* doc = static_cast<CDialtopDoc*>(m_app->GetDocTemplate()->GetDocument());
        QCOMPARE(doc->GetPathName(), themesFolder() + "/First.Theme");
        QCOMPARE(doc->m_theme.GetTab(0)->m_strName, QString("Starter"));
    }

    void startUpWithADamagedRecentThemeEnds()
    {
        // Every start shows the messages and ends until the file is replaced.
        const QString bad = m_env->path("mine/Old.Theme");
        writeTheme(bad, {"Old"});
        QByteArray bytes = TestEnv::readAll(bad);
        bytes[0] = 2;
        QVERIFY(TestEnv::writeAll(bad, bytes));
        writeTheme(themesFolder() + "/First.Theme", {"F"});
        makeApp({bad});
        m_app.reset();
        m_app = std::make_unique<CDialtopApp>();
        QVERIFY(!m_app->InitInstance({}));
        QCOMPARE(m_messages.size(), 2);
        QCOMPARE(m_messages[0].text, "Invalid File Version Error:  " + bad);
        QCOMPARE(m_messages[1].text, QString("The selected Theme file does not exist or is corrupted."));
        QVERIFY(!m_app->GetDocTemplate()->GetFrame());
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
