#include "TestEnv.h"
#include "platform/shell/DesktopEntry.h"

#include <QtTest>

using shell::DesktopEntry;

namespace {

DesktopEntry entry(const QByteArray& body, const QString& path = "/apps/x.desktop")
{
    DesktopEntry e;
    const bool ok = e.LoadFromBytes("[Desktop Entry]\n" + body, path);
    Q_ASSERT(ok);
    return e;
}

} // namespace

class TestDesktopEntry : public QObject
{
    Q_OBJECT

private slots:
    void init() { qunsetenv("LC_ALL"); qunsetenv("LC_MESSAGES"); qputenv("LANG", "C"); }

    // Only the main group counts, its first value of a key wins, escapes are
    // undone, only "true" is true, and lists split on unescaped semicolons.
    void groupsCommentsEscapesFlagsAndLists()
    {
        DesktopEntry e;
        QVERIFY(e.LoadFromBytes("# comment\n[Other]\nName=Wrong\n[Desktop Entry]\n"
                                "Name = Spaced \nComment=a\\sb\\nc\\\\d\\te\nName=Second\n"
                                "[Desktop Action x]\nExec=nope\n"));
        QCOMPARE(e.Name(), QString("Spaced"));
        QCOMPARE(e.Value("Comment"), QString("a b\nc\\d\te"));
        QVERIFY(e.Exec().isNull());
        QVERIFY(!DesktopEntry().LoadFromBytes("[Other]\nName=x\n"));

        const DesktopEntry f = entry("Terminal=true\nHidden=false\nNoDisplay=True\n");
        QVERIFY(f.Terminal());
        QVERIFY(!f.Hidden());
        QVERIFY(!f.BoolValue("NoDisplay"));
        QCOMPARE(shell::SplitListValue("a.desktop;b\\;c;;d;"), (QStringList{"a.desktop", "b;c", "", "d"}));
    }

    void localisedName_data()
    {
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<QString>("name");
        QTest::newRow("C") << QByteArray("C") << "Plain";
        QTest::newRow("country") << QByteArray("de_DE.UTF-8") << "Deutsch DE";
        QTest::newRow("language only") << QByteArray("de_AT.UTF-8") << "Deutsch";
        QTest::newRow("modifier") << QByteArray("sr_RS@latin") << "Latinica";
    }

    void localisedName()
    {
        QFETCH(QByteArray, lang);
        QFETCH(QString, name);
        qputenv("LANG", lang);
        const DesktopEntry e = entry("Name=Plain\nName[de]=Deutsch\nName[de_DE]=Deutsch DE\n"
                                     "Name[sr]=Cirilica\nName[sr@latin]=Latinica\n");
        QCOMPARE(e.Name(), name);
        // LC_ALL wins over LANG
        qputenv("LC_ALL", "de_DE");
        QCOMPARE(e.Name(), QString("Deutsch DE"));
    }

    void commandLines_data()
    {
        QTest::addColumn<QByteArray>("exec");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QList<QStringList>>("lines");
        using L = QList<QStringList>;
        QTest::newRow("no code: files follow") << QByteArray("prog -a") << QStringList{"x", "y"}
                                               << L{{"prog", "-a", "x", "y"}};
        QTest::newRow("%f one process per file") << QByteArray("edit %f") << QStringList{"a b", "c"}
                                                 << L{{"edit", "a b"}, {"edit", "c"}};
        QTest::newRow("%f without files") << QByteArray("edit %f --x") << QStringList() << L{{"edit", "--x"}};
        QTest::newRow("%F list") << QByteArray("view --all %F") << QStringList{"a", "b"}
                                 << L{{"view", "--all", "a", "b"}};
        QTest::newRow("%i %c %k") << QByteArray("app %i %c %k") << QStringList()
                                  << L{{"app", "--icon", "appicon", "My App", "/apps/x.desktop"}};
        QTest::newRow("deprecated vanish") << QByteArray("app %d %D %n %N %v %m") << QStringList() << L{{"app"}};
        QTest::newRow("%% alone and inside") << QByteArray("printf %% 100%%") << QStringList()
                                             << L{{"printf", "%", "100%"}};
        QTest::newRow("codes count only as whole words") << QByteArray("app --file=%f") << QStringList{"z"}
                                                         << L{{"app", "--file=%f", "z"}};
        QTest::newRow("quoted program and args") << QByteArray("\"/opt/my app/run\" \"a \\\\\"q\\\\\" b\" c")
                                                 << QStringList() << L{{"/opt/my app/run", "a \"q\" b", "c"}};
        QTest::newRow("quoted %f is literal") << QByteArray("app \"%f\"") << QStringList{"z"}
                                              << L{{"app", "%f", "z"}};
        QTest::newRow("escapes undone before quoting") << QByteArray("app \"a\\\\\\\\b\" \\s") << QStringList()
                                                       << L{{"app", "a\\b"}};
        QTest::newRow("broken quoting") << QByteArray("app \"open") << QStringList() << L{};
    }

    void commandLines()
    {
        QFETCH(QByteArray, exec);
        QFETCH(QStringList, files);
        QFETCH(QList<QStringList>, lines);
        const DesktopEntry e = entry("Name=My App\nIcon=appicon\nExec=" + exec + "\n");
        QCOMPARE(e.CommandLines(files), lines);
    }

    void cachedEntryFollowsTheFile()
    {
        TestEnv env;
        const QString path = env.path("a.desktop");
        QVERIFY(TestEnv::writeAll(path, "[Desktop Entry]\nName=One\n"));
        auto first = shell::CachedDesktopEntry(path);
        QCOMPARE(first ? first->Name() : QString(), QString("One"));
        QCOMPARE(shell::CachedDesktopEntry(path).get(), first.get()); // read once
        QVERIFY(TestEnv::writeAll(path, "[Desktop Entry]\nName=Second\n"));
        QCOMPARE(shell::CachedDesktopEntry(path)->Name(), QString("Second"));
        QVERIFY(QFile::remove(path));
        QVERIFY(!shell::CachedDesktopEntry(path));
    }
};

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"
