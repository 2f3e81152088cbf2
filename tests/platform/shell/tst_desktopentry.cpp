// Desktop entries read and run, the command-line splitter items use, and the
// autostart entry Dialtop writes for itself.

#include "TestEnv.h"
#include "platform/shell/Autostart.h"
#include "platform/shell/CommandLine.h"
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
        QCOMPARE(e.Name() + "|" + e.Value("Comment"), QString("Spaced|a b\nc\\d\te"));
        QVERIFY(e.Exec().isNull());
        QVERIFY(!DesktopEntry().LoadFromBytes("[Other]\nName=x\n"));

        const DesktopEntry f = entry("Terminal=true\nHidden=false\nNoDisplay=True\n");
        QVERIFY(f.Terminal() && !f.Hidden() && !f.BoolValue("NoDisplay"));
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
        qputenv("LANG", lang);
        const DesktopEntry e = entry("Name=Plain\nName[de]=Deutsch\nName[de_DE]=Deutsch DE\n"
                                     "Name[sr]=Cirilica\nName[sr@latin]=Latinica\n");
        QTEST(e.Name(), "name");
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
        QTest::newRow("no code: files follow") << QByteArray("prog -a") << QStringList{"x", "y"} << L{{"prog", "-a", "x", "y"}};
        QTest::newRow("%f one process per file") << QByteArray("edit %f") << QStringList{"a b", "c"}
                                                 << L{{"edit", "a b"}, {"edit", "c"}};
        QTest::newRow("%f without files") << QByteArray("edit %f --x") << QStringList() << L{{"edit", "--x"}};
        QTest::newRow("%F list") << QByteArray("view --all %F") << QStringList{"a", "b"} << L{{"view", "--all", "a", "b"}};
        QTest::newRow("%i %c %k") << QByteArray("app %i %c %k") << QStringList()
                                  << L{{"app", "--icon", "appicon", "My App", "/apps/x.desktop"}};
        QTest::newRow("deprecated vanish") << QByteArray("app %d %D %n %N %v %m") << QStringList() << L{{"app"}};
        QTest::newRow("%% alone and inside") << QByteArray("printf %% 100%%") << QStringList() << L{{"printf", "%", "100%"}};
        QTest::newRow("codes count only as whole words") << QByteArray("app --file=%f") << QStringList{"z"}
                                                         << L{{"app", "--file=%f", "z"}};
        QTest::newRow("quoted program and args") << QByteArray("\"/opt/my app/run\" \"a \\\\\"q\\\\\" b\" c")
                                                 << QStringList() << L{{"/opt/my app/run", "a \"q\" b", "c"}};
        QTest::newRow("quoted %f is literal") << QByteArray("app \"%f\"") << QStringList{"z"} << L{{"app", "%f", "z"}};
        QTest::newRow("escapes undone before quoting") << QByteArray("app \"a\\\\\\\\b\" \\s") << QStringList()
                                                       << L{{"app", "a\\b"}};
        QTest::newRow("broken quoting") << QByteArray("app \"open") << QStringList() << L{};
    }

    void commandLines()
    {
        QFETCH(QByteArray, exec);
        QFETCH(QStringList, files);
        const DesktopEntry e = entry("Name=My App\nIcon=appicon\nExec=" + exec + "\n");
        QTEST(e.CommandLines(files), "lines");
    }

    void cachedEntryFollowsTheFile()
    {
        TestEnv env;
        const QString path = env.path("a.desktop");
        QVERIFY(TestEnv::writeAll(path, "[Desktop Entry]\nName=One\n"));
        auto first = shell::CachedDesktopEntry(path); // read once
        QVERIFY(first && first->Name() == "One" && shell::CachedDesktopEntry(path).get() == first.get());
        QVERIFY(TestEnv::writeAll(path, "[Desktop Entry]\nName=Second\n"));
        QCOMPARE(shell::CachedDesktopEntry(path)->Name(), QString("Second"));
        QVERIFY(QFile::remove(path) && !shell::CachedDesktopEntry(path));
    }

    void splitCommandLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("plain") << "-a  b\tc" << QStringList{"-a", "b", "c"};
        QTest::newRow("double quotes") << "--file \"My Documents/a b.txt\" x" << QStringList{"--file", "My Documents/a b.txt", "x"};
        QTest::newRow("single quotes") << "'it is' \"it's\"" << QStringList{"it is", "it's"};
        QTest::newRow("empty quoted word") << "a \"\" b" << QStringList{"a", "", "b"};
        QTest::newRow("quotes join a word") << "--name=\"a b\"c" << QStringList{"--name=a bc"};
        QTest::newRow("escaped quote, blank and backslash") << "say\\ \\\"hi\\\" a\\\\b" << QStringList{"say \"hi\"", "a\\b"};
        QTest::newRow("backslash folders kept") << "C:\\Temp\\new file" << QStringList{"C:\\Temp\\new", "file"};
        QTest::newRow("nothing expanded") << "~/x $HOME *.txt `id`" << QStringList{"~/x", "$HOME", "*.txt", "`id`"};
        QTest::newRow("unterminated quote runs to the end") << "a \"b c" << QStringList{"a", "b c"};
    }

    void splitCommandLine()
    {
        QFETCH(QString, text);
        QTEST(shell::SplitCommandLine(text), "words");
    }

    void autostart_data()
    {
        QTest::addColumn<QByteArray>("existing"); // the entry found, "link" to another file
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("accepted");
        const QString plain = "/usr/bin/dialtop";
        QTest::newRow("none, blanks and specials") << QByteArray() << false << "/opt/My Apps/dial\"top$`\\%f" << true;
        QTest::newRow("link to a packaged entry") << QByteArray("link") << false << plain << true;
        QTest::newRow("on") << QByteArray("[Desktop Entry]\nExec=dialtop\n") << true << plain << true;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=dialtop\nHidden=true\n") << false << plain << true;
        QTest::newRow("disabled") << QByteArray("[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n") << false << plain << true;
        QTest::newRow("not an entry") << QByteArray("Exec=dialtop\n") << false << plain << true;
        QTest::newRow("relative program") << QByteArray() << false << "bin/dialtop" << false;
        QTest::newRow("line break in the program") << QByteArray() << false << "/usr/bin/dial\ntop" << false;
    }

    // Read as the session would; switched on, the entry runs the program
    // (a link is replaced, the file it names left alone); off twice.
    void autostart()
    {
        QFETCH(QByteArray, existing);
        QFETCH(QString, program);
        QFETCH(bool, accepted);
        TestEnv env;
        QDir().mkpath(env.path("xdgconfig/autostart"));
        const QByteArray packaged = "[Desktop Entry]\nHidden=true\n";
        if (existing == "link")
            TestEnv::writeAll(env.path("packaged.desktop"), packaged),
                QFile::link(env.path("packaged.desktop"), shell::AutostartEntryPath());
        else if (!existing.isEmpty())
            TestEnv::writeAll(shell::AutostartEntryPath(), existing);
        QTEST(shell::IsAutostartEnabled(), "enabled");
        QCOMPARE(shell::SetAutostart(true, program), accepted);
        QVERIFY(shell::IsAutostartEnabled() == accepted && QFileInfo::exists(shell::AutostartEntryPath()) == accepted);
        if (!accepted)
            return;
        shell::DesktopEntry entry;
        QVERIFY(entry.Load(env.path("xdgconfig/autostart/dialtop.desktop")));
        QCOMPARE(entry.CommandLines({}), QList<QStringList>{QStringList{program}});
        QVERIFY(shell::SetAutostart(false, program) && !QFileInfo::exists(entry.FilePath()) && shell::SetAutostart(false, program));
        if (existing == "link")
            QCOMPARE(TestEnv::readAll(env.path("packaged.desktop")), packaged);
    }
};

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"
