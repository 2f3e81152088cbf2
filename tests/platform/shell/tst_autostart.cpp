// Starting with the desktop session: the autostart entry Dialtop writes, runs
// exactly its own program, counts as off when the session would skip it, and
// goes away when the user turns it off.

#include "TestEnv.h"
#include "platform/shell/Autostart.h"
#include "platform/shell/DesktopEntry.h"

#include <QtTest>

class tst_Autostart : public QObject
{
    Q_OBJECT

private slots:
    void entryRunsTheProgram_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("plain") << "/usr/bin/dialtop";
        QTest::newRow("blanks and specials") << "/opt/My Apps/dial\"top$`\\%f";
    }
    void entryRunsTheProgram()
    {
        QFETCH(QString, program);
        TestEnv env;
        QVERIFY(!shell::IsAutostartEnabled());
        // An entry linked to another file is replaced, the other file left alone.
        QDir().mkpath(env.path("xdgconfig/autostart"));
        TestEnv::writeAll(env.path("packaged.desktop"), "[Desktop Entry]\nHidden=true\n");
        QFile::link(env.path("packaged.desktop"), shell::AutostartEntryPath());
        QVERIFY(shell::SetAutostart(true, program) && shell::IsAutostartEnabled());
        shell::DesktopEntry entry;
        QVERIFY(entry.Load(env.path("xdgconfig/autostart/dialtop.desktop")));
        QCOMPARE(entry.CommandLines({}), QList<QStringList>{QStringList{program}});
        QVERIFY(shell::SetAutostart(false, program) && !QFileInfo::exists(entry.FilePath()));
        QVERIFY(shell::SetAutostart(false, program)); // already off
        QCOMPARE(TestEnv::readAll(env.path("packaged.desktop")), QByteArray("[Desktop Entry]\nHidden=true\n"));
    }

    void switchedOffEntries_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("on") << QByteArray("[Desktop Entry]\nExec=dialtop\n") << true;
        QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=dialtop\nHidden=true\n") << false;
        QTest::newRow("disabled") << QByteArray("[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n") << false;
        QTest::newRow("not an entry") << QByteArray("Exec=dialtop\n") << false;
    }
    void switchedOffEntries()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, enabled);
        TestEnv env;
        QDir().mkpath(env.path("xdgconfig/autostart"));
        QVERIFY(TestEnv::writeAll(shell::AutostartEntryPath(), text));
        QCOMPARE(shell::IsAutostartEnabled(), enabled);
        QVERIFY(shell::SetAutostart(true, "/usr/bin/dialtop") && shell::IsAutostartEnabled());
    }

    void unusablePaths()
    {
        TestEnv env;
        for (const char* program : {"", "bin/dialtop", "/usr/bin/dial\ntop"})
            QVERIFY2(!shell::SetAutostart(true, program), program);
        QVERIFY(!QFileInfo::exists(shell::AutostartEntryPath()));
    }
};

QTEST_GUILESS_MAIN(tst_Autostart)
#include "tst_autostart.moc"
