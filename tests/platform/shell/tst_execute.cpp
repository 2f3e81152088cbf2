#include "TestFile.h"
#include "platform/shell/Execute.h"

#include <QtTest>
#include <cerrno>

using shell::ExecuteRequest;
using shell::ProcessRequest;

class TestExecute : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    QList<ProcessRequest> m_started;
    bool m_startResult = true;
    QByteArray m_path;

    QString file(const QString& name, const QByteArray& data, bool x = false) { return MakeFile(*m_env, name, data, x); }
    QString folder(const QString& name) { return QDir().mkpath(m_env->path(name)), m_env->path(name); }

    bool run(const QString& target, const QString& params = {}, const QString& dir = {}, QString* error = nullptr)
    {
        QString scratch;
        return shell::ShellExecute(ExecuteRequest{target, params, dir, shell::SW_SHOWNORMAL}, error ? error : &scratch);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_started.clear(), m_startResult = true, m_path = qgetenv("PATH");
        shell::SetProcessStarter([this](const ProcessRequest& r, QString* error) {
            m_started << r;
            if (!m_startResult)
                *error = "start refused";
            return m_startResult;
        });
        shell::SetTerminalCommand({});
    }

    void cleanup()
    {
        shell::SetProcessStarter({});
        qputenv("PATH", m_path);
        m_env.reset(); // and back out of its folder
    }

    void relativeTargetsResolve()
    {
        const QString prog = file("bin/tool", "#!/bin/sh\n", true);
        // against the working folder, then through the search path, then against the current folder
        QVERIFY(run("tool", QString(), m_env->path("bin")));
        qputenv("PATH", QFile::encodeName(m_env->path("bin")) + ":" + m_path);
        QVERIFY(run("tool"));
        QDir::setCurrent(m_env->root());
        QVERIFY(run("bin/tool"));
        QCOMPARE(m_started.size(), 3);
        for (const ProcessRequest& r : m_started)
            QCOMPARE(r.program, prog);
        QCOMPARE(m_started.last().workingDirectory, QString());
    }

    void documentsFoldersAndAddressesGoToTheDefaultHandler()
    {
        const QString doc = file("notes.txt", "hello");
        for (const QString& t : {doc, folder("folder"), QString("https://example.org/a?b"), QString("mailto:a@b.c")}) {
            QVERIFY2(run(t, "--ignored", m_env->root()), qPrintable(t));
            const ProcessRequest r = m_started.value(m_started.size() - 1);
            QCOMPARE(r.kind, ProcessRequest::DefaultHandler);
            QCOMPARE(QStringList(r.program) << r.arguments << r.workingDirectory,
                     (QStringList{"xdg-open", t, m_env->root()}));
        }
        // a file: address is a local path; a link entry opens its address
        m_started.clear();
        QVERIFY(run(QUrl::fromLocalFile(doc).toString()));
        QVERIFY(run(file("site.desktop", "[Desktop Entry]\nType=Link\nName=Site\nURL=https://example.org/\n")));
        QCOMPARE(m_started.size(), 2);
        QCOMPARE(m_started[0].arguments + m_started[1].arguments, (QStringList{doc, "https://example.org/"}));
        QVERIFY(shell::LooksLikeUrl("steam://run/1") && !shell::LooksLikeUrl("/tmp/a:b"));
    }

    // A program made executable after a first run is then started as one;
    // a start that fails, faked or real, passes its text on.
    void permissionChangeAndStartFailure()
    {
        const QString prog = file("bin/late", "#!/bin/sh\n", false);
        QVERIFY(run(prog));
        QCOMPARE(m_started.last().kind, ProcessRequest::DefaultHandler); // a text file so far
        QFile::setPermissions(prog, QFile::permissions(prog) | QFile::ExeOwner);
        QVERIFY(run(prog));
        QCOMPARE(m_started.last().kind, ProcessRequest::Program);
        m_startResult = false;
        QString error;
        QVERIFY(!run(prog, "", "", &error) && error == "start refused");
        // runnable by its header, but its interpreter is missing
        shell::SetProcessStarter({});
        QVERIFY(!run(file("bin/broken", "#!/nonexistent/interpreter\n", true), "", "", &error));
        QCOMPARE(error, shell::SystemErrorText(ENOENT));
    }

    void desktopEntryExecLines()
    {
        const QString prog = file("bin/viewer", "#!/bin/sh\n", true);
        qputenv("PATH", QFile::encodeName(m_env->path("bin")) + ":" + m_path);
        const QString entry = file("apps/viewer.desktop",
                                   "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %F\nPath=\n");
        const QString work = folder("work");
        QVERIFY(run(entry, "a.png \"b c.png\"", work));
        // empty Path means unset: the item's folder is used
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(QStringList(m_started[0].program) << m_started[0].arguments << m_started[0].workingDirectory,
                 (QStringList{prog, "a.png", "b c.png", work}));

        // a Path of its own; %f and a terminal: one terminal per file
        m_started.clear();
        const QString term = file("bin/myterm", "#!/bin/sh\n", true);
        const QString place = folder("place");
        const QString ed = file("ed.desktop", "[Desktop Entry]\nType=Application\nExec=" + prog.toUtf8() +
                                                  " %f\nTerminal=true\nPath=" + place.toUtf8() + "\n");
        shell::SetTerminalCommand({term});
        QVERIFY(run(ed, "one two", m_env->root()));
        QCOMPARE(m_started.size(), 2);
        QCOMPARE(QStringList(m_started[0].program) << m_started[0].arguments << m_started[1].arguments << m_started[0].workingDirectory,
                 (QStringList{term, "-e", prog, "one", "-e", prog, "two", place}));
    }

    // Nothing starts, and the user is told the system's text.
    void refusalsGiveTheSystemText_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QByteArray>("entry"); // written to the target first
        QTest::addColumn<int>("err");
        const QByteArray app = "[Desktop Entry]\nType=Application\nExec=@/bin/tool\n";
        QTest::newRow("empty target") << "" << "" << QByteArray() << ENOENT;
        QTest::newRow("missing file") << "@/nothing/here" << "" << QByteArray() << ENOENT;
        QTest::newRow("drive-letter path, no address") << "C:\\Windows\\notepad.exe" << "" << QByteArray() << ENOENT;
        QTest::newRow("missing working folder") << "@/bin/tool" << "@/nowhere" << QByteArray() << ENOENT;
        QTest::newRow("working folder is a file") << "@/bin/tool" << "@/bin/tool" << QByteArray() << ENOTDIR;
        QTest::newRow("hidden entry") << "@/x.desktop" << "" << app + "Hidden=true\n" << ENOENT;
        QTest::newRow("TryExec missing") << "@/x.desktop" << "" << app + "TryExec=no-such-prog-xyz\n" << ENOENT;
        QTest::newRow("Path missing") << "@/x.desktop" << "" << app + "Path=@/gone\n" << ENOENT;
        QTest::newRow("no Exec") << "@/x.desktop" << "" << QByteArray("[Desktop Entry]\nType=Application\n") << ENOEXEC;
        QTest::newRow("link without URL") << "@/x.desktop" << "" << QByteArray("[Desktop Entry]\nType=Link\n") << ENOEXEC;
    }

    void refusalsGiveTheSystemText()
    {
        QFETCH(QString, target);
        QFETCH(QString, dir);
        QFETCH(QByteArray, entry);
        QFETCH(int, err);
        file("bin/tool", "#!/bin/sh\n", true);
        if (!entry.isEmpty())
            file("x.desktop", entry.replace("@", QFile::encodeName(m_env->root())));
        QString error;
        QVERIFY(!run(target.replace("@", m_env->root()), "", dir.replace("@", m_env->root()), &error) && m_started.isEmpty());
        QCOMPARE(error, shell::SystemErrorText(err));
    }

    void terminalChoice()
    {
        const QString term = file("bin/xterm", "#!/bin/sh\n", true);
        qputenv("PATH", QFile::encodeName(m_env->path("bin")));
        // the well-known table, with its own flag
        QCOMPARE(shell::TerminalCommand(), (QStringList{term, "-e"}));
        const QString kitty = file("bin/kitty", "#!/bin/sh\n", true);
        qputenv("TERMINAL", "kitty");
        QCOMPARE(shell::TerminalCommand(), QStringList{kitty});
        // the user's choice comes first, with its words as given
        shell::SetTerminalCommand({"xterm", "-hold", "-e"});
        QCOMPARE(shell::TerminalCommand(), (QStringList{term, "-hold", "-e"}));
        qunsetenv("TERMINAL"), qputenv("PATH", ""), shell::SetTerminalCommand({});
        QCOMPARE(shell::TerminalCommand(), QStringList());
    }
};

QTEST_MAIN(TestExecute)
#include "tst_execute.moc"
