// The starter theme's roles resolved on a given desktop: default programs by
// MIME type, the user's folders that exist, roles the desktop lacks left out.

#include "TestEnv.h"
#include "TestThemes.h"
#include "launcher/StarterTheme.h"

class tst_StarterTheme : public QObject
{
    Q_OBJECT

private slots:
    void rolesBecomeThisDesktopsProgramsAndFolders()
    {
        TestEnv env;
        const QByteArray oldHome = qgetenv("HOME");
        const QString home = env.path("home");
        qputenv("HOME", home.toUtf8());
        QDir().mkpath(home + "/Docs");
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QDir().mkpath(config);
        QVERIFY(TestEnv::writeAll(config + "/user-dirs.dirs",
                                  "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n"));
        QVERIFY(TestEnv::writeAll(config + "/mimeapps.list", "[Default Applications]\ntext/plain=ed.desktop\n"));
        const QString apps = env.dataDir() + "/applications";
        QDir().mkpath(apps);
        QVERIFY(TestEnv::writeAll(apps + "/ed.desktop", "[Desktop Entry]\nType=Application\nName=Ed\nIcon=ed-icon\nExec=ed\n"));

        // Roles this desktop lacks go; the rest of a tab with roles is laid out again.
        const QString path = env.path("Starter.Theme");
        writeTheme(path, {{"P", {{"Browser", {}, "@default:x-scheme-handler/nothing-here"},
                                 {"Editor", {400, 400}, "@default:none/none;text/plain"},
                                 {"Shell", {300, 300}, "/bin/sh"}}},
                          {"F", {{"Documents", {}, "@folder:DOCUMENTS"}, {"Music", {}, "@folder:MUSIC"},
                                 {"Bogus", {}, "@folder:NOPE"}}},
                          {"Other", {{"Gone", {300, 300}, "/no/such/program"}}}});
        CThemeData theme;
        QVERIFY(theme.Load(path));
        FitStarterThemeToDesktop(theme);
        qputenv("HOME", oldHome);
        QCOMPARE(describe(theme).join('\n'),
                 QStringList({"tab|P||0", "item|Editor||" + apps + "/ed.desktop||ed-icon||0|1|0|20|20|0|0",
                              "item|Shell||/bin/sh||||0|1|0|120|20|0|0", "tab|F||0",
                              "item|Documents||" + home + "/Docs||||0|1|0|20|20|0|0", "tab|Other||0",
                              "item|Gone||/no/such/program||||0|1|0|300|300|0|0"})
                     .join('\n'));
    }
};

QTEST_MAIN(tst_StarterTheme)
#include "tst_startertheme.moc"
