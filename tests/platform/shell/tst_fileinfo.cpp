#include "IconThemeFixture.h"
#include "TestEnv.h"
#include "platform/shell/FileInfo.h"

#include <QMimeDatabase>
#include <QtTest>

class TestFileInfo : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;

    QString file(const QString& name, const QByteArray& bytes, bool exec = false)
    {
        const QString p = m_env->path(name);
        QDir().mkpath(QFileInfo(p).absolutePath());
        if (!TestEnv::writeAll(p, bytes))
            qFatal("cannot write %s", qPrintable(p));
        if (exec)
            QFile::setPermissions(p, QFile::permissions(p) | QFile::ExeOwner);
        return p;
    }

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnv>();
        InstallTestIconTheme(m_env->dataDir());
    }

    void cleanupTestCase()
    {
        qunsetenv("LC_ALL");
        m_env.reset();
    }

    void displayNames()
    {
        QString name;
        QVERIFY(shell::GetDisplayName(file("report.final.txt", "x"), &name));
        QCOMPARE(name, QString("report.final.txt"));
        QDir().mkpath(m_env->path("My Folder"));
        QVERIFY(shell::GetDisplayName(m_env->path("My Folder"), &name));
        QCOMPARE(name, QString("My Folder"));
        QVERIFY(shell::GetDisplayName("/", &name));
        QCOMPARE(name, QString("/"));

        const QString entry = file("ed.desktop", "[Desktop Entry]\nName=Editor\nName[de]=Bearbeiter\n");
        qputenv("LC_ALL", "de_DE.UTF-8");
        QVERIFY(shell::GetDisplayName(entry, &name));
        QCOMPARE(name, QString("Bearbeiter"));
        qputenv("LC_ALL", "C");
        QVERIFY(shell::GetDisplayName(entry, &name));
        QCOMPARE(name, QString("Editor"));
        QVERIFY(shell::GetDisplayName(file("noname.desktop", "[Desktop Entry]\nExec=x\n"), &name));
        QCOMPARE(name, QString("noname.desktop"));

        name = "unchanged";
        QVERIFY(!shell::GetDisplayName(m_env->path("missing.txt"), &name));
        QCOMPARE(name, QString("unchanged"));
    }

    void typeNames()
    {
        QMimeDatabase db;
        QString type;
        QVERIFY(shell::GetTypeName(file("tool", "#!/bin/sh\n", true), &type));
        QCOMPARE(type, QString("Application"));
        QVERIFY(shell::GetTypeName(file("a.txt", "text\n"), &type));
        QCOMPARE(type, db.mimeTypeForName("text/plain").comment());
        // the execute bit alone does not make a program
        QVERIFY(shell::GetTypeName(file("b.txt", "text\n", true), &type));
        QCOMPARE(type, db.mimeTypeForName("text/plain").comment());
        QVERIFY(shell::GetTypeName(m_env->root(), &type));
        QCOMPARE(type, db.mimeTypeForName("inode/directory").comment());
        QVERIFY(!shell::GetTypeName(m_env->path("missing"), &type));
        QVERIFY(!shell::GetTypeName(QString(), &type));
    }

    void iconLocations()
    {
        QString icon;
        int index = 7;
        QVERIFY(shell::GetIconLocation(file("app.desktop", "[Desktop Entry]\nIcon=/opt/app/app.png\n"), &icon, &index));
        QCOMPARE(icon, QString("/opt/app/app.png"));
        QCOMPARE(index, 0);
        QVERIFY(shell::GetIconLocation(m_env->root(), &icon, &index));
        QCOMPARE(icon, QString("folder"));
        QVERIFY(shell::GetIconLocation(file("run", "#!/bin/sh\n", true), &icon, &index));
        QCOMPARE(icon, QString("application-x-executable"));
        QVERIFY(shell::GetIconLocation(file("c.txt", "x\n"), &icon, &index));
        QCOMPARE(icon, QString("text-plain"));
        // an entry without an icon gets the icon of its type
        QVERIFY(shell::GetIconLocation(file("bare.desktop", "[Desktop Entry]\nName=x\n"), &icon, &index));
        QCOMPARE(icon, QString("application-x-desktop"));
        QVERIFY(!shell::GetIconLocation(m_env->path("missing.txt"), &icon, &index));
    }

    void fullPaths()
    {
        QDir::setCurrent(m_env->root());
        QString full;
        QVERIFY(shell::GetFullPathName("bin/../tool", &full));
        QCOMPARE(full, m_env->path("tool"));
        QVERIFY(shell::GetFullPathName("/usr//bin/", &full));
        QCOMPARE(full, QString("/usr/bin"));
        full = "x";
        QVERIFY(shell::GetFullPathName(QString(), &full));
        QCOMPARE(full, QString());
    }
};

QTEST_MAIN(TestFileInfo)
#include "tst_fileinfo.moc"
