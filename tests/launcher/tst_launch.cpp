#include "TestFile.h"
#include "framework/MessageBox.h"
#include "launcher/ItemLaunch.h"
#include "platform/shell/Execute.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/ThemeData.h"

#include <QtTest>

class TestLaunch : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    QList<shell::ProcessRequest> m_started;
    QList<fw::MessageRequest> m_boxes;
    QStringList m_dialled;
    bool m_connected = false;
    QString m_defaultEntry;
    bool m_dialResult = true;

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
        shell::SetProcessStarter([this](const shell::ProcessRequest& r, QString*) {
            m_started << r;
            return true;
        });
        SetDialFirstHooks({});
    }

    void cleanup()
    {
        shell::SetProcessStarter({});
        fw::SetMessageHandler({});
        SetDialFirstHooks({});
        m_env.reset();
    }

    void missingTargetShowsTheSystemText()
    {
        CThemeItem item;
        item.m_strTarget = m_env->path("gone/tool");
        item.m_bDialFirst = 1;
        QVERIFY(!item.Launch());
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, QString("No such file or directory"));
    }

    void dialFirst_data()
    {
        QTest::addColumn<bool>("hooks"); // without the dial-up part the item just starts
        QTest::addColumn<bool>("dialFirst");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("dialWorks");
        QTest::addColumn<bool>("started");
        QTest::addColumn<QStringList>("dialled");
        QTest::addColumn<bool>("box");
        QTest::newRow("no dial-up part") << false << true << false << "Acme" << true << true << QStringList() << false;
        QTest::newRow("not asked") << true << false << false << "Acme" << true << true << QStringList() << false;
        QTest::newRow("already connected") << true << true << true << "Acme" << true << true << QStringList() << false;
        QTest::newRow("dials, then starts") << true << true << false << "Acme" << true << true << QStringList{"Acme"} << false;
        QTest::newRow("dial fails: nothing starts") << true << true << false << "Acme" << false << false << QStringList{"Acme"}
                                                   << false;
        QTest::newRow("no default provider: told, then starts") << true << true << false << "" << true << true
                                                                << QStringList() << true;
    }

    void dialFirst()
    {
        QFETCH(bool, hooks);
        QFETCH(bool, dialFirst);
        QFETCH(bool, connected);
        QFETCH(QString, entry);
        QFETCH(bool, dialWorks);
        QFETCH(bool, started);
        QFETCH(QStringList, dialled);
        QFETCH(bool, box);
        if (hooks)
            installDialHooks();
        m_connected = connected;
        m_defaultEntry = entry;
        m_dialResult = dialWorks;
        CThemeItem item;
        item.m_strTarget = MakeFile(*m_env, "bin/tool", "#!/bin/sh\n", true);
        item.m_bDialFirst = dialFirst ? 1 : 0;
        item.m_nShowCmd = 2;
        QCOMPARE(item.Launch(), started);
        QCOMPARE(m_started.size(), started ? 1 : 0);
        if (started)
            QCOMPARE(m_started[0].showCmd, 2); // the window state reaches the starter
        QCOMPARE(m_dialled, dialled);
        QCOMPARE(m_boxes.size(), box ? 1 : 0);
        if (box)
            QCOMPARE(m_boxes[0].text, res::LoadString(ids::IDS_NO_DEFAULT_PROVIDER));
    }

    void realProgramRecordsArgumentsAndFolder()
    {
        shell::SetProcessStarter({});
        // Records its folder and arguments; the record appears whole or not at all.
        const QString recorder = MakeFile(*m_env, "bin/record", R"sh(#!/bin/sh
{ printf 'cwd=%s\n' "$(pwd -P)"; printf 'arg=%s\n' "$@"; } >"$DT_RECORD_FILE.part" && mv "$DT_RECORD_FILE.part" "$DT_RECORD_FILE"
)sh", true);
        const QString record = m_env->path("record.txt");
        qputenv("DT_RECORD_FILE", QFile::encodeName(record));
        const QString work = m_env->path("work dir");
        QVERIFY(QDir().mkpath(work));

        CThemeItem item;
        item.m_strTarget = recorder;
        item.m_strArguments = "one \"two words\" 'three' $HOME";
        item.m_strStartIn = work;
        QVERIFY(item.Launch());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), 20000);
        // no shell: quotes split words, nothing is expanded
        QCOMPARE(QString::fromUtf8(TestEnv::readAll(record)).split('\n', Qt::SkipEmptyParts),
                 (QStringList{"cwd=" + work, "arg=one", "arg=two words", "arg=three", "arg=$HOME"}));
        QVERIFY(m_boxes.isEmpty());
    }
};

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
