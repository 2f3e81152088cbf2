// What an item takes from its target: scheme, icons, name, full paths; and
// the starter theme fitted to this desktop.

#include "../platform/shell/IconThemeFixture.h"
#include "TestFile.h"
#include "TestThemes.h"
#include "launcher/ItemTargets.h"
#include "launcher/StarterTheme.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Icons.h"
#include "theme/ThemeData.h"

#include <QtTest>

// Every stored field of an item, comparable and printed at once.
static auto ItemFields(const CThemeItem& i)
{
    return std::tuple(i.m_strName, i.m_strArguments, i.m_strTarget, i.m_strStartIn, i.m_strIconFile,
                      i.m_strDescription, i.m_nIconIndex, i.m_nShowCmd, i.m_nReserved1, i.m_ptPosition,
                      i.m_nReserved2, i.m_bDialFirst);
}

// An item with every field set to something other than its default.
static CThemeItem FullItem(const QString& target, const QString& iconFile)
{
    CThemeItem i;
    i.m_strName = "Tool", i.m_strArguments = "-a", i.m_strTarget = target, i.m_strStartIn = "relative/stays";
    i.m_strIconFile = iconFile, i.m_strDescription = "d", i.m_nIconIndex = 2, i.m_nShowCmd = 3, i.m_nReserved1 = 5;
    i.m_ptPosition = QPoint(7, 8), i.m_nReserved2 = 6, i.m_bDialFirst = 1;
    return i;
}

static const QRgb kPicture = qRgb(200, 40, 160);

static QRgb defaultItemColour() { return IconColour(shell::LoadAppIcon(171)); }

class TestItemTargets : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    QString m_picture;

    QString file(const QString& name, const QByteArray& data, bool x = false) { return MakeFile(*m_env, name, data, x); }

    void setDefaultIcon(const QString& scheme, const QString& value)
    {
        reg::RegKey key;
        QCOMPARE(key.Create(reg::HKEY_CLASSES_ROOT, scheme + "\\DefaultIcon"), reg::ERROR_SUCCESS);
        QCOMPARE(key.WriteString(QString(), value), reg::ERROR_SUCCESS);
    }

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnv>();
        reg::ResetStore();
        InstallTestIconTheme(m_env->dataDir());
        QDir().mkpath(m_env->path("pics"));
        m_picture = m_env->path("pics/pic.png");
        QImage img(32, 32, QImage::Format_ARGB32);
        img.fill(kPicture);
        QVERIFY(img.save(m_picture));
    }

    void cleanupTestCase()
    {
        QDir::setCurrent(QDir::tempPath());
        reg::ResetStore();
        m_env.reset();
    }

    void schemes_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("code");
        QTest::newRow("mailto capital M") << "Mailto:me@example.org" << 3;
        QTest::newRow("news") << "news:comp.lang" << 0;
        QTest::newRow("drive letter") << "C:\\Program Files\\x.exe" << 0;
        QTest::newRow("only the first colon") << "http//x:http://y" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("scheme alone") << "ftp:" << 4;
    }

    void schemes()
    {
        QFETCH(QString, target);
        QTEST(GetUrlScheme(target), "code");
    }

    void classIconParsing_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("found");
        QTest::newRow("plain path") << "@" << true;
        QTest::newRow("quoted with index 1") << "\"@\",1" << false; // a picture holds icon 0 only
        QTest::newRow("index read like atoi") << "@, 0abc" << true;
        QTest::newRow("quotes anywhere") << "\"@\"\"" << true;
        QTest::newRow("theme name") << "testicon" << true;
        QTest::newRow("missing file") << "/nowhere/x.ico,0" << false;
        QTest::newRow("longer than the 260-byte buffer") << "@,0" + QString(300, ' ') << false;
    }

    void classIconParsing()
    {
        QFETCH(QString, value);
        QFETCH(bool, found);
        setDefaultIcon("gopher", QString(value).replace("@", m_picture));
        QIcon large, small;
        QCOMPARE(GetClassIcon("gopher", &large, &small), found ? 1u : 0u);
        QVERIFY(large.isNull() == !found && small.isNull() == !found);
    }

    void urlIconOrder()
    {
        QIcon large, small;
        QCOMPARE(GetUrlIcon("notes.txt", &large, &small), 0u); // not an address
        QCOMPARE(GetClassIcon("nosuchscheme", &large, &small), 0u);

        // the registered icon, large and small from one lookup
        setDefaultIcon("https", "\"" + m_picture + "\",0");
        QVERIFY(GetUrlIcon("HTTPS://x", &large, &small) != 0);
        QVERIFY(IconColour(large) == kPicture && IconColour(small, 16) == kPicture);

        // then the desktop's handler for the scheme
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QDir().mkpath(config);
        file("data/applications/mailer.desktop", "[Desktop Entry]\nType=Application\nIcon=testicon\n");
        QVERIFY(TestEnv::writeAll(config + "/mimeapps.list",
                                  "[Default Applications]\nx-scheme-handler/mailto=mailer.desktop\n"));
        large = small = QIcon();
        QVERIFY(GetUrlIcon("mailto:a@b", &large, &small) != 0);
        QCOMPARE(IconColour(large), ThemeColours()["testicon"]);

        // then icon 171, at the small size for the small icon
        large = small = QIcon();
        QVERIFY(GetUrlIcon("ftp://x", &large, &small) != 0);
        QCOMPARE(IconColour(large), defaultItemColour());
        QCOMPARE(small.availableSizes(), QList<QSize>{QSize(16, 16)});
        QVERIFY(GetUrlIcon("ftp://x", nullptr, nullptr) != 0);
    }

    void itemIcons()
    {
        CThemeItem item;
        // an icon file that is not there: 171 large, nothing small
        item.m_strTarget = file("run", "#!/bin/sh\n", true);
        item.m_strIconFile = m_env->path("missing.ico");
        QCOMPARE(IconColour(item.GetIcon()), defaultItemColour());
        QVERIFY(item.GetSmallIcon().isNull());
        // an icon file and index that exist
        item.m_strIconFile = m_picture;
        QCOMPARE(IconColour(item.GetSmallIcon(), 16), kPicture);
        item.m_nIconIndex = 1;
        QCOMPARE(IconColour(item.GetIcon()), defaultItemColour());
        // no icon file: the target's own icon
        item.m_strIconFile.clear();
        item.m_nIconIndex = 0;
        QCOMPARE(IconColour(item.GetSmallIcon(), 16), ThemeColours()["application-x-executable"]);
        // an address: its scheme's icon
        item.m_strTarget = "gopher://old.example";
        setDefaultIcon("gopher", m_picture);
        QCOMPARE(IconColour(item.GetIcon()), kPicture);
    }

    // A target fills in name and icon and resets what belonged to the old
    // one; the description stays.
    void initFromTarget()
    {
        CThemeItem item = FullItem(QString(), "old.ico");
        QVERIFY(!item.InitFromTarget());
        QCOMPARE(ItemFields(item), ItemFields(FullItem(QString(), "old.ico")));

        item.m_strTarget = file("apps/editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\n"
                                                       "Icon=accessories-text-editor\nExec=ed\n");
        QVERIFY(item.InitFromTarget());
        CThemeItem want;
        want.m_strName = "Editor", want.m_strTarget = item.m_strTarget, want.m_strDescription = "d";
        want.m_strIconFile = "accessories-text-editor";
        QCOMPARE(ItemFields(item), ItemFields(want));

        // the desktop knows nothing of a missing file: name kept, no icon file
        item.m_strTarget = m_env->path("gone.txt");
        QVERIFY(item.InitFromTarget());
        QCOMPARE(QStringList({item.m_strName, item.m_strIconFile}), (QStringList{"Editor", ""}));
    }

    // Target and icon file become absolute; everything else is copied as is.
    void copyWithFullPaths()
    {
        QDir::setCurrent(m_env->root());
        file("bin/tool", "#!/bin/sh\n", true);
        CThemeItem dst;
        QVERIFY(dst.CopyWithFullPaths(FullItem("bin/tool", "pics/pic.png")));
        QCOMPARE(ItemFields(dst), ItemFields(FullItem(m_env->path("bin/tool"), m_picture)));

        // addresses, search-path programs and icon-theme names stay as written;
        // a news address is a path, made absolute
        for (const auto& [target, icon] : QList<QPair<QString, QString>>{{"Mailto:me@example.org", "testicon"}, {"xterm", ""}}) {
            QVERIFY(dst.CopyWithFullPaths(FullItem(target, icon)));
            QCOMPARE(ItemFields(dst), ItemFields(FullItem(target, icon)));
        }
        QVERIFY(dst.CopyWithFullPaths(FullItem("news/x", "")));
        QCOMPARE(dst.m_strTarget, m_env->path("news/x"));
    }

    // The starter theme's roles resolved on this desktop: default programs by
    // MIME type, the user's folders that exist; roles the desktop lacks go.
    void starterRolesBecomeThisDesktopsProgramsAndFolders()
    {
        const QByteArray oldHome = qgetenv("HOME");
        const QString home = m_env->path("home");
        qputenv("HOME", home.toUtf8());
        QDir().mkpath(home + "/Docs");
        file("xdgconfig/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n");
        file("xdgconfig/mimeapps.list", "[Default Applications]\ntext/plain=ed.desktop\n");
        const QString ed = file("data/applications/ed.desktop",
                                "[Desktop Entry]\nType=Application\nName=Ed\nIcon=ed-icon\nExec=ed\n");

        // The rest of a tab with roles is laid out again.
        const QString path = m_env->path("Starter.Theme");
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
                 QStringList({"tab|P||0", "item|Editor||" + ed + "||ed-icon||0|1|0|20|20|0|0",
                              "item|Shell||/bin/sh||||0|1|0|120|20|0|0", "tab|F||0",
                              "item|Documents||" + home + "/Docs||||0|1|0|20|20|0|0", "tab|Other||0",
                              "item|Gone||/no/such/program||||0|1|0|300|300|0|0"})
                     .join('\n'));
    }
};

QTEST_MAIN(TestItemTargets)
#include "tst_itemtargets.moc"
