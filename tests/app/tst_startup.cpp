// Start-up: the kernel check, the choice of the first theme, installing the
// starter theme, the theme file dialog's naming rules, and whole start-ups in
// this process.

#include "TestEnv.h"
#include "TestThemes.h"
#include "app/DialtopApp.h"
#include "app/SingleInstance.h"
#include "app/SplashWnd.h"
#include "theme/ThemeFileDialog.h"
#include "framework/FrameWnd.h"
#include "res/ResourceIds.h"
#include "theme/DialtopDoc.h"


#include <unistd.h>

class tst_Startup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<UiStubs> m_ui;
    std::unique_ptr<CDialtopApp> m_app;
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
    CDialtopDoc* doc() const { return static_cast<CDialtopDoc*>(m_app->GetDocTemplate()->GetDocument()); }

private slots:
    void initTestCase() { m_savedHome = qgetenv("HOME"), CSplashWnd::SetTimeout(20); }

    void init()
    {
        m_env = std::make_unique<TestEnv>(), reg::ResetStore();
        QDir().mkpath(m_env->path("home"));
        qputenv("HOME", m_env->path("home").toUtf8());
        qputenv("DIALTOP_SHARE_DIR", shareDir().toUtf8());
        CDialtopApp::SetKernelReleaseOverride("6.1.0-18-amd64");
        m_ui = std::make_unique<UiStubs>();
    }

    void cleanup()
    {
        if (m_app)
            m_app->ExitInstance();
        m_app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_ui.reset(), m_env.reset();
        CDialtopApp::SetKernelReleaseOverride(QString());
        qunsetenv("DIALTOP_SHARE_DIR");
        reg::ResetStore();
    }

    void cleanupTestCase() { qputenv("HOME", m_savedHome); }

    void oldKernelIsRefused()
    {
        QVERIFY(CDialtopApp::MajorVersion("10.2.1") == 10 && CDialtopApp::MajorVersion("") == 0);
        CDialtopApp::SetKernelReleaseOverride("3.19.0");
        m_app = std::make_unique<CDialtopApp>();
        QVERIFY(!m_app->InitInstance({}));
        QCOMPARE(m_ui->texts(), QStringList{"This application will only run on Linux 4.0 or greater"});
        // Refused before anything else: no instance claimed, no window.
        QVERIFY(!m_ui->messages[0].owner && !QFileInfo::exists(CSingleInstance::ServerPath())
                && !m_app->GetDocTemplate() && !m_app->m_bClassRegistered);
    }

    // The first theme of a start: the first recent one if it is still there,
    // else a new theme; with no recent list, First.Theme of the themes folder,
    // installed from the starter if the folder has no theme.
    void startTheme_data()
    {
        QTest::addColumn<QStringList>("recent");   // in the test folder; "+" marks one that exists
        QTest::addColumn<bool>("firstInThemes");
        QTest::addColumn<bool>("starter");
        QTest::addColumn<QString>("expected");     // "recent", "first" or nothing
        QTest::newRow("first recent exists") << QStringList{"+R"} << true << true << "recent";
        QTest::newRow("first recent gone") << QStringList{"Gone", "+Other"} << false << true << "";
        QTest::newRow("no recent") << QStringList{} << true << false << "first";
        QTest::newRow("no recent, starter") << QStringList{} << false << true << "first";
        QTest::newRow("no recent, nothing") << QStringList{} << false << false << "";
    }

    void startTheme()
    {
        QFETCH(QStringList, recent);
        QFETCH(bool, firstInThemes);
        QFETCH(bool, starter);
        QFETCH(QString, expected);
        QStringList paths;
        for (const QString& r : recent)
            if (paths << m_env->path("mine/" + QString(r).remove('+') + ".Theme"); r.startsWith('+'))
                writeTheme(paths.last(), "R");
        const QString first = themesFolder() + "/First.Theme";
        if (firstInThemes)
            writeTheme(first, "F");
        if (starter)
            writeTheme(shareDir() + "/First.Theme", {{"Starter A"}, {"Starter B"}});
        makeApp(paths);
        QCOMPARE(m_app->ChooseStartTheme(), expected == "recent" ? paths.value(0) : expected == "first" ? first : QString());
        if (!recent.isEmpty() || !expected.isEmpty())
            QCOMPARE(m_app->m_strFirstTheme, expected == "first" ? first : QString());
        QCOMPARE(QFileInfo::exists(first), firstInThemes || (starter && recent.isEmpty()));
    }

    // The starter goes only into a folder without themes (other files do not
    // count), with the home folder's "~" expanded; the starter is untouched.
    void starterThemeInstalled()
    {
        writeTheme(shareDir() + "/First.Theme", {{"Folders", {{"I0", {}, "~", {}, "~/work"},
                                                              {"I1", {}, "~/Documents", {}, {}, "~/icons/doc.png"},
                                                              {"I2", {}, "~other/x"}, {"I3", {}, "a~/b"}}}});
        const QByteArray starter = TestEnv::readAll(shareDir() + "/First.Theme");
        const QString themes = m_env->path("t/Themes"), other = m_env->path("u/Themes");
        QVERIFY(QDir().mkpath(themes) && TestEnv::writeAll(themes + "/readme.txt", "x"));
        QVERIFY(CDialtopApp::InstallFirstTheme(themes));
        writeTheme(other + "/Mine.Theme", "Mine");
        QVERIFY(!CDialtopApp::InstallFirstTheme(other) && !QFileInfo::exists(other + "/First.Theme"));
        CThemeData installed;
        QVERIFY(installed.Load(themes + "/First.Theme"));
        const QString home = m_env->path("home");
        QStringList got{TestEnv::readAll(shareDir() + "/First.Theme") == starter ? "" : "starter changed"};
        for (const auto& i : installed.m_tabs[0]->m_items)
            got << i->m_strTarget + "|" + i->m_strStartIn + "|" + i->m_strIconFile;
        QCOMPARE(got, (QStringList{"", home + "|" + home + "/work|", home + "/Documents||" + home + "/icons/doc.png",
                                   "~other/x||", "a~/b||"}));
    }

    // Whatever the user typed ends in .Theme (dots in folders do not count); a
    // file picked to open is opened as it is. The dialog starts in the themes
    // folder, made when missing; cancel leaves the proposed name alone.
    void promptThemeFileName()
    {
        const QList<std::pair<QString, QString>> cases{{"/t/notes", "/t/notes.Theme"},
                                                       {"/t/a.b.Theme", "/t/a.b.Theme"},
                                                       {"/x/My.Folder/notes", "/x/My.Folder/notes.Theme"},
                                                       {"C:\\My.Folder\\notes", "C:\\My.Folder\\notes.Theme"}};
        for (const auto& [chosen, result] : cases)
            QCOMPARE(ApplyThemeExtension(chosen), result);
        const QString themes = themesFolder();
        QVERIFY(!QFileInfo::exists(themes));
        QString name = "Proposed.Theme";
        QVERIFY(!PromptThemeFileName(name, ids::AFX_IDS_OPENFILE, fw::OFN_HIDEREADONLY | fw::OFN_FILEMUSTEXIST, true));
        QVERIFY(name == "Proposed.Theme" && QFileInfo(themes).isDir());
        QCOMPARE(m_ui->dialogs.value(0).initialDir + "|" + m_ui->dialogs.value(0).fileName, themes + "|Proposed.Theme");
        for (const QString picked : {"/t/WORK.THEME", "/t/Old.Theme.bak"}) {
            m_ui->fileAnswers << picked;
            QVERIFY(PromptThemeFileName(name, ids::AFX_IDS_OPENFILE, fw::OFN_FILEMUSTEXIST, true) && name == picked);
        }
    }

    void commandLineTheme()
    {
        QCOMPARE(QStringList({CDialtopApp::ThemeFromCommandLine({"-x", "--y", "A.Theme", "B.Theme"}),
                              CDialtopApp::ThemeFromCommandLine({"-"}),
                              CDialtopApp::ThemeFromCommandLine({"-x", "--", "-odd.Theme"})}),
                 QStringList({"A.Theme", "", "-odd.Theme"}));
    }

    // A theme named on the command line, relative to the current folder, wins
    // over the recent and first themes; options are not names.
    void startUpOpensTheCommandLineTheme()
    {
        const QString recent = m_env->path("mine/Recent.Theme"), named = m_env->path("mine/Named.Theme");
        writeTheme(recent, "R"), writeTheme(named, "N");
        writeTheme(themesFolder() + "/First.Theme", "F");
        QVERIFY(QDir::setCurrent(m_env->path("mine")));
        makeApp({recent});
        QVERIFY(m_app->InitInstance({"--some-option", "Named.Theme"}));
        QCOMPARE(doc()->GetPathName() + "|" + recentFile(1), named + "|" + named);
        QVERIFY(m_app->GetDocTemplate()->GetFrame()->isVisible() && QFileInfo::exists(CSingleInstance::ServerPath())
                && m_ui->messages.isEmpty());
        m_app->ExitInstance();
        QVERIFY(!QFileInfo::exists(CSingleInstance::ServerPath()));
    }

    // A damaged theme the start chose itself: the messages, then a new
    // theme, and the file leaves the recent list.
    void startUpWithADamagedRecentThemeOpensANewOne()
    {
        const QString bad = m_env->path("mine/Old.Theme");
        writeTheme(bad, "Old");
        QVERIFY(TestEnv::writeAll(bad, TestEnv::readAll(bad).replace(0, 1, "\x02"))); // version 2
        writeTheme(themesFolder() + "/First.Theme", "F");
        makeApp({bad});
        QVERIFY(m_app->InitInstance({}));
        QVERIFY(m_ui->texts().size() == 2 && recentFile(1).isEmpty() && doc()->GetPathName().isEmpty()
                && doc()->m_theme.GetTabCount() == 0);
    }

    // Settings whose service folder cannot be made: the start says so and
    // ends, instead of ending without a word.
    void unusableServiceFolderIsReported()
    {
        QVERIFY(TestEnv::writeAll(reg::ConfigRoot() + "/ras", "a file, not a folder"));
        makeApp();
        QVERIFY(!m_app->InitInstance({}));
        QCOMPARE(m_ui->texts(), QStringList{"Dialtop cannot start: " + reg::ConfigRoot()
                                            + "/ras: not a folder of this user's that can be written"});
    }

    // Without XDG_RUNTIME_DIR the fallback in the temporary folder is used
    // only when it is this user's own; otherwise the start says why and fails.
    void runtimeFallbackMustBeTheUsers()
    {
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", m_env->path("tmp").toUtf8());
        const QString fallback = m_env->path("tmp/dialtop-runtime-") + QString::number(::getuid());
        QVERIFY(QDir().mkpath(fallback));
        QVERIFY(QFile::setPermissions(fallback, QFileDevice::Permissions(0x7777)));
        QCOMPARE(CSingleInstance::ServerPath(), fallback + "/Dialtop.instance"); // ours: closed to others
        QCOMPARE(QFileInfo(fallback).permissions() & 0x77, QFileDevice::Permissions());
        // Another user's folder (only root can make one), else a link to elsewhere.
        if (::chown(QFile::encodeName(fallback).constData(), 4242, 4242) != 0)
            QVERIFY(QDir(fallback).removeRecursively() && QFile::link(m_env->path("home"), fallback));
        makeApp();
        QVERIFY(!m_app->InitInstance({}) && m_app->m_nExitCode == 1);
        qunsetenv("TMPDIR");
        QVERIFY2(m_ui->texts().value(0).startsWith("Dialtop cannot start: " + fallback), qPrintable(m_ui->texts().value(0)));
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
