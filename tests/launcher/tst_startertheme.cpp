// The starter theme's roles resolved on a given desktop: default programs by
// MIME type, the user's folders that exist, roles the desktop lacks left out.

#include "TestEnv.h"
#include "TestThemes.h"
#include "launcher/StarterTheme.h"

#include <QStandardPaths>

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

        CThemeData theme;
        auto add = [&](int tab, const QString& name, const QString& target, QPoint pos = {}) {
            CThemeItem* item = theme.InsertItem(tab, theme.GetItemCount(tab));
            item->m_strName = name;
            item->m_strTarget = target;
            item->m_ptPosition = pos;
        };
        for (int t = 0; t < 3; ++t)
            theme.InsertTab(t);
        add(0, "Browser", "@default:x-scheme-handler/nothing-here");
        add(0, "Editor", "@default:none/none;text/plain", {400, 400});
        add(0, "Shell", "/bin/sh", {300, 300});
        add(1, "Documents", "@folder:DOCUMENTS");
        add(1, "Music", "@folder:MUSIC"); // named, but not there
        add(1, "Bogus", "@folder:NOPE");
        add(2, "Gone", "/no/such/program", {300, 300});
        FitStarterThemeToDesktop(theme);
        qputenv("HOME", oldHome);

        QStringList got;
        for (int t = 0; t < 3; ++t)
            for (int i = 0; i < theme.GetItemCount(t); ++i) {
                const CThemeItem* item = theme.GetItem(t, i);
                got << QString("%1|%2|%3|%4,%5").arg(item->m_strName, item->m_strTarget, item->m_strIconFile)
                           .arg(item->m_ptPosition.x()).arg(item->m_ptPosition.y());
            }
        QCOMPARE(got, (QStringList{"Editor|" + apps + "/ed.desktop|ed-icon|20,20", "Shell|/bin/sh||120,20",
                                   "Documents|" + home + "/Docs||20,20", "Gone|/no/such/program||300,300"}));
    }
};

QTEST_MAIN(tst_StarterTheme)
#include "tst_startertheme.moc"
