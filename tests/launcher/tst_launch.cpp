#include "TestEnv.h"
#include "framework/MessageBox.h"
#include "launcher/ItemLaunch.h"
#include "platform/shell/Execute.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/ThemeData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

bool sameItem(const CThemeItem& a, const CThemeItem& b)
{
    return a.m_strName == b.m_strName && a.m_strArguments == b.m_strArguments && a.m_strTarget == b.m_strTarget &&
           a.m_strStartIn == b.m_strStartIn && a.m_strIconFile == b.m_strIconFile &&
           a.m_strDescription == b.m_strDescription && a.m_nIconIndex == b.m_nIconIndex &&
           a.m_nShowCmd == b.m_nShowCmd && a.m_nReserved1 == b.m_nReserved1 && a.m_ptPosition == b.m_ptPosition &&
           a.m_nReserved2 == b.m_nReserved2 && a.m_bDialFirst == b.m_bDialFirst;
}

} // namespace

class TestLaunch : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnv> m_env;
    QList<shell::ProcessRequest> m_started;
    QList<fw::MessageRequest> m_boxes;
    QStringList m_dialled;
    bool m_connected = false;
    QString m_defaultEntry;
    bool m_dialResult = true;

    QString script(const QString& name)
    {
        const QString p = m_env->path(name);
        QDir().mkpath(QFileInfo(p).absolutePath());
        if (!TestEnv::writeAll(p, "#!/bin/sh\n"))
            qFatal("cannot write %s", qPrintable(p));
        QFile::setPermissions(p, QFile::permissions(p) | QFile::ExeOwner);
        return p;
    }

    void recordStarts()
    {
        shell::SetProcessStarter([this](const shell::ProcessRequest& r, QString*) {
            m_started << r;
            return true;
        });
    }

    void installDialHooks()
    {
        DialFirstHooks h;
        h.isConnected = [this] { return m_connected; };
        h.defaultEntry = [this] { return m_defaultEntry; };
        h.connect = [this](const QString& entry, QWidget*) {
            m_dialled << entry;
            if (m_dialResult)
                m_connected = true;
            return m_dialResult;
        };
        SetDialFirstHooks(h);
    }

    static QString helperProgram()
    {
        QString p = QCoreApplication::applicationDirPath() + "/dt_recordargs";
        if (!QFileInfo::exists(p))
            p = qEnvironmentVariable("DIALTOP_BUILD_DIR") + "/tests/launcher/helpers/dt_recordargs";
        return p;
    }

    // The stand-in's record: its working folder first, then its arguments.
    static QStringList readRecord(const QString& path)
    {
        return QString::fromUtf8(TestEnv::readAll(path)).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m_started.clear();
        m_boxes.clear();
        m_dialled.clear();
        m_connected = false;
        m_defaultEntry.clear();
        m_dialResult = true;
        fw::SetMessageHandler([this](const fw::MessageRequest& r) {
            m_boxes << r;
            return fw::IDOK;
        });
        recordStarts();
        SetDialFirstHooks({});
    }

    void cleanup()
    {
        shell::SetProcessStarter({});
        fw::SetMessageHandler({});
        SetDialFirstHooks({});
        m_env.reset();
    }

    void programWithArgumentsFolderAndState()
    {
        CThemeItem item;
        item.m_strTarget = script("bin/tool");
        item.m_strArguments = "-x \"a b\"";
        item.m_strStartIn = m_env->root();
        item.m_nShowCmd = 2;
        CThemeItem before;
        before.Copy(item);
        QVERIFY(item.Launch());
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(m_started[0].program, item.m_strTarget);
        QCOMPARE(m_started[0].arguments, (QStringList{"-x", "a b"}));
        QCOMPARE(m_started[0].workingDirectory, m_env->root());
        QCOMPARE(m_started[0].showCmd, 2);
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(sameItem(item, before));
    }

    void addressesGoToTheDesktop()
    {
        CThemeItem item;
        item.m_strTarget = "http://example.org/";
        QVERIFY(item.Launch());
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(m_started[0].kind, shell::ProcessRequest::DefaultHandler);
        QCOMPARE(m_started[0].arguments, QStringList{"http://example.org/"});
    }

    void missingTargetShowsTheSystemText()
    {
        CThemeItem item;
        item.m_strTarget = m_env->path("gone/tool");
        item.m_bDialFirst = 1;
        CThemeItem before;
        before.Copy(item);
        QVERIFY(!item.Launch());
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, QString("No such file or directory"));
        QCOMPARE(m_boxes[0].caption, QString("Error"));
        QCOMPARE(m_boxes[0].style, fw::MB_OK | fw::MB_ICONEXCLAMATION);
        QVERIFY(sameItem(item, before));
    }

    void dialFirstWithoutTheDialUpSubsystemJustStarts()
    {
        CThemeItem item;
        item.m_strTarget = script("bin/tool");
        item.m_bDialFirst = 1;
        QVERIFY(item.Launch());
        QCOMPARE(m_started.size(), 1);
        QVERIFY(m_boxes.isEmpty());
    }

    void dialFirst_data()
    {
        QTest::addColumn<bool>("dialFirst");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("dialWorks");
        QTest::addColumn<bool>("started");
        QTest::addColumn<QStringList>("dialled");
        QTest::addColumn<bool>("box");
        QTest::newRow("not asked") << false << false << "Acme" << true << true << QStringList() << false;
        QTest::newRow("already connected") << true << true << "Acme" << true << true << QStringList() << false;
        QTest::newRow("dials, then starts") << true << false << "Acme" << true << true << QStringList{"Acme"} << false;
        QTest::newRow("dial fails: nothing starts") << true << false << "Acme" << false << false << QStringList{"Acme"}
                                                   << false;
        QTest::newRow("no default provider: told, then starts") << true << false << "" << true << true
                                                                << QStringList() << true;
    }

    void dialFirst()
    {
        QFETCH(bool, dialFirst);
        QFETCH(bool, connected);
        QFETCH(QString, entry);
        QFETCH(bool, dialWorks);
        QFETCH(bool, started);
        QFETCH(QStringList, dialled);
        QFETCH(bool, box);
        installDialHooks();
        m_connected = connected;
        m_defaultEntry = entry;
        m_dialResult = dialWorks;
        CThemeItem item;
        item.m_strTarget = script("bin/tool");
        item.m_bDialFirst = dialFirst ? 1 : 0;
        QCOMPARE(item.Launch(), started);
        QCOMPARE(m_started.size(), started ? 1 : 0);
        QCOMPARE(m_dialled, dialled);
        QCOMPARE(m_boxes.size(), box ? 1 : 0);
        if (box) {
            QCOMPARE(m_boxes[0].text, res::LoadString(ids::IDS_NO_DEFAULT_PROVIDER));
            QVERIFY(m_boxes[0].caption.isNull() || m_boxes[0].caption == fw::AppName());
        }
    }

    void realProgramRecordsArgumentsAndFolder()
    {
        shell::SetProcessStarter({});
        const QString helper = helperProgram();
        QVERIFY2(QFileInfo(helper).isExecutable(), qPrintable(helper));
        const QString record = m_env->path("record.txt");
        qputenv("DT_RECORD_FILE", QFile::encodeName(record));
        const QString work = m_env->path("work dir");
        QDir().mkpath(work);

        CThemeItem item;
        item.m_strTarget = helper;
        item.m_strArguments = "one \"two words\" 'three' $HOME";
        item.m_strStartIn = work;
        QVERIFY(item.Launch());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), 20000);
        QCOMPARE(readRecord(record),
                 (QStringList{"cwd=" + work, "arg=one", "arg=two words", "arg=three", "arg=$HOME"}));
        QVERIFY(m_boxes.isEmpty());
    }

    void realDesktopEntryRecordsItsExecLine()
    {
        shell::SetProcessStarter({});
        const QString record = m_env->path("record2.txt");
        qputenv("DT_RECORD_FILE", QFile::encodeName(record));
        const QString place = m_env->path("place");
        QDir().mkpath(place);
        const QString entry = m_env->path("helper.desktop");
        QVERIFY(TestEnv::writeAll(entry, "[Desktop Entry]\nType=Application\nName=Helper\nExec=\"" +
                                             QFile::encodeName(helperProgram()) + "\" --files %F\nPath=" +
                                             QFile::encodeName(place) + "\n"));
        CThemeItem item;
        item.m_strTarget = entry;
        item.m_strArguments = "a.txt \"b c.txt\"";
        QVERIFY(item.Launch());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), 20000);
        QCOMPARE(readRecord(record), (QStringList{"cwd=" + place, "arg=--files", "arg=a.txt", "arg=b c.txt"}));
    }
};

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
