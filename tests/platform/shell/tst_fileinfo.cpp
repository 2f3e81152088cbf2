#include "IconThemeFixture.h"
#include "TestFile.h"
#include "platform/shell/FileInfo.h"

#include <QMimeDatabase>
#include <QtTest>

class TestFileInfo : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> m_env;

    QString file(const QString& name, const QByteArray& data, bool x = false) { return MakeFile(*m_env, name, data, x); }

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnv>();
        InstallTestIconTheme(m_env->dataDir());
        QDir().mkpath(m_env->path("My Folder"));
        qputenv("LC_ALL", "C");
    }

    void cleanupTestCase()
    {
        qunsetenv("LC_ALL");
        m_env.reset();
    }

    // The name, type and icon shown for each kind of file.
    void describe_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type"); // a MIME type, or the text itself
        QTest::addColumn<QString>("icon");
        const QByteArray entry = "[Desktop Entry]\n";
        QTest::newRow("dotted name") << file("report.final.txt", "x") << "report.final.txt" << "text/plain"
                                     << "text-plain";
        QTest::newRow("folder") << m_env->path("My Folder") << "My Folder" << "inode/directory" << "folder";
        // the execute bit alone does not make a program
        QTest::newRow("program") << file("tool", "#!/bin/sh\n", true) << "tool" << "Application"
                                 << "application-x-executable";
        QTest::newRow("executable text") << file("b.txt", "text\n", true) << "b.txt" << "text/plain" << "text-plain";
        QTest::newRow("entry with name") << file("ed.desktop", entry + "Name=Editor\nIcon=/opt/app/app.png\n") << "Editor"
                                         << "application/x-desktop" << "/opt/app/app.png";
        // an entry without a name or an icon: its file name and its type's icon
        QTest::newRow("bare entry") << file("bare.desktop", entry + "Exec=x\n") << "bare.desktop"
                                    << "application/x-desktop" << "application-x-desktop";
    }

    void describe()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, icon);
        const QMimeType mime = QMimeDatabase().mimeTypeForName(type);
        QString gotName, gotType, gotIcon;
        int index = 7;
        QVERIFY(shell::GetDisplayName(path, &gotName) && shell::GetTypeName(path, &gotType)
                && shell::GetIconLocation(path, &gotIcon, &index));
        QCOMPARE(gotName, name);
        QCOMPARE(gotType, mime.isValid() ? mime.comment() : type);
        QCOMPARE(gotIcon, icon);
        QCOMPARE(index, 0);
    }

    void missingFile()
    {
        const QString gone = m_env->path("missing.txt");
        QString text = "unchanged";
        int index = 0;
        QVERIFY(!shell::GetDisplayName(gone, &text) && !shell::GetTypeName(gone, &text)
                && !shell::GetIconLocation(gone, &text, &index));
        QCOMPARE(text, QString("unchanged"));
    }
};

QTEST_MAIN(TestFileInfo)
#include "tst_fileinfo.moc"
