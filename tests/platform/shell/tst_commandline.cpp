#include "TestEnv.h"
#include "platform/shell/CommandLine.h"

#include <QtTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void split_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("plain") << "-a  b\tc" << QStringList{"-a", "b", "c"};
        QTest::newRow("double quotes") << "--file \"My Documents/a b.txt\" x"
                                       << QStringList{"--file", "My Documents/a b.txt", "x"};
        QTest::newRow("single quotes") << "'it is' \"it's\"" << QStringList{"it is", "it's"};
        QTest::newRow("empty quoted word") << "a \"\" b" << QStringList{"a", "", "b"};
        QTest::newRow("quotes join a word") << "--name=\"a b\"c" << QStringList{"--name=a bc"};
        QTest::newRow("escaped quote and blank") << "say\\ \\\"hi\\\"" << QStringList{"say \"hi\""};
        QTest::newRow("backslash folders kept") << "C:\\Temp\\new file" << QStringList{"C:\\Temp\\new", "file"};
        QTest::newRow("escaped backslash") << "a\\\\b" << QStringList{"a\\b"};
        QTest::newRow("nothing expanded") << "~/x $HOME *.txt `id`"
                                          << QStringList{"~/x", "$HOME", "*.txt", "`id`"};
        QTest::newRow("unterminated quote runs to the end") << "a \"b c" << QStringList{"a", "b c"};
    }

    void split()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QCOMPARE(shell::SplitCommandLine(text), words);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
