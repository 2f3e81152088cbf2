#include "IconThemeFixture.h"
#include "TestFile.h"
#include "platform/shell/FileInfo.h"

#include <QMimeDatabase>
#include <QtTest>

class TestFileInfo : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnv> m_env;

    QString file(const QString& name, const QByteArray& data, bool exec = false)
    {
        return MakeFile(*m_env, name, data, exec);
    }

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnv>();
        InstallTestIconTheme(m_env->dataDir());
        QDir().mkpath(m_env->path("My Folder"));
    }

    void cleanupTestCase()
    {
        qunsetenv("LC_ALL");
        m_env.reset();
    }

    void displayNames()
    {
        qputenv("LC_ALL", "C");
        const QList<QPair<QString, QString>> cases = {
            {file("report.final.txt", "x"), "report.final.txt"},
            {m_env->path("My Folder"), "My Folder"},
            {file("ed.desktop", "[Desktop Entry]\nName=Editor\n"), "Editor"},
            {file("noname.desktop", "[Desktop Entry]\nExec=x\n"), "noname.desktop"}};
        for (const auto& [path, want] : cases) {
            QString name;
            QVERIFY2(shell::GetDisplayName(path, &name), qPrintable(path));
            QCOMPARE(name, want);
        }
        QString name = "unchanged";
        QVERIFY(!shell::GetDisplayName(m_env->path("missing.txt"), &name));
        QCOMPARE(name, QString("unchanged"));
    }

    void typeNames()
    {
        QMimeDatabase db;
        const QString text = db.mimeTypeForName("text/plain").comment();
        // the execute bit alone does not make a program
        const QList<QPair<QString, QString>> cases = {{file("tool", "#!/bin/sh\n", true), "Application"},
                                                      {file("a.txt", "text\n"), text},
                                                      {file("b.txt", "text\n", true), text},
                                                      {m_env->root(), db.mimeTypeForName("inode/directory").comment()}};
        for (const auto& [path, want] : cases) {
            QString type;
            QVERIFY2(shell::GetTypeName(path, &type), qPrintable(path));
            QCOMPARE(type, want);
        }
        QString type;
        QVERIFY(!shell::GetTypeName(m_env->path("missing"), &type));
    }

    void iconLocations()
    {
        // an entry without an icon gets the icon of its type
        const QList<QPair<QString, QString>> cases = {
            {file("app.desktop", "[Desktop Entry]\nIcon=/opt/app/app.png\n"), "/opt/app/app.png"},
            {file("c.txt", "x\n"), "text-plain"},
            {file("bare.desktop", "[Desktop Entry]\nName=x\n"), "application-x-desktop"}};
        for (const auto& [path, want] : cases) {
            QString icon;
            int index = 7;
            QVERIFY2(shell::GetIconLocation(path, &icon, &index), qPrintable(path));
            QCOMPARE(icon, want);
            QCOMPARE(index, 0);
        }
        QString icon;
        int index = 0;
        QVERIFY(!shell::GetIconLocation(m_env->path("missing.txt"), &icon, &index));
    }
};

QTEST_MAIN(TestFileInfo)
#include "tst_fileinfo.moc"
