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
    struct {
        QList<shell::ProcessRequest> started;
        QList<fw::MessageRequest> boxes;
        QStringList dialled;
        bool connected = false;
    } m; // reset for each case

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        m = {};
        fw::SetMessageHandler([this](const fw::MessageRequest& r) { return m.boxes << r, fw::IDOK; });
        shell::SetProcessStarter([this](const shell::ProcessRequest& r, QString*) { return m.started << r, true; });
        SetDialFirstHooks({});
    }

    void cleanup()
    {
        shell::SetProcessStarter({}), fw::SetMessageHandler({}), SetDialFirstHooks({});
        m_env.reset();
    }

    void missingTargetShowsTheSystemText()
    {
        CThemeItem item;
        item.m_strTarget = m_env->path("gone/tool");
        item.m_bDialFirst = 1;
        QVERIFY(!item.Launch() && m.started.isEmpty());
        QCOMPARE(m.boxes.size() == 1 ? m.boxes[0].text : QString(), QString("No such file or directory"));
    }

    // setup: h the dial-up part is there, a the item asks to dial first, c already connected,
    // w dialling works; outcome: whether it started, who was dialled, whether a message came.
    void dialFirst_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("no dial-up part") << "aw" << "Acme" << "started  0";
        QTest::newRow("not asked") << "hw" << "Acme" << "started  0";
        QTest::newRow("already connected") << "hacw" << "Acme" << "started  0";
        QTest::newRow("dials, then starts") << "haw" << "Acme" << "started Acme 0";
        QTest::newRow("dial fails: nothing starts") << "ha" << "Acme" << "- Acme 0";
        QTest::newRow("no default provider: told, then starts") << "haw" << "" << "started  1";
    }

    void dialFirst()
    {
        QFETCH(QString, setup);
        QFETCH(QString, entry);
        m.connected = setup.contains('c');
        if (setup.contains('h'))
            SetDialFirstHooks({[this] { return m.connected; }, [&] { return entry; }, [&](const QString& e, QWidget*) {
                                   m.dialled << e;
                                   return m.connected = setup.contains('w');
                               }});
        CThemeItem item;
        item.m_strTarget = MakeFile(*m_env, "bin/tool", "#!/bin/sh\n", true);
        item.m_bDialFirst = setup.contains('a'), item.m_nShowCmd = 2;
        const bool started = item.Launch();
        // the window state reaches the starter
        QCOMPARE(m.started.size() == 1 && m.started[0].showCmd == 2, started);
        QTEST(QString(started ? "started" : "-") + " " + m.dialled.join(',') + " " + QString::number(m.boxes.size()),
              "outcome");
        if (!m.boxes.isEmpty())
            QCOMPARE(m.boxes[0].text, res::LoadString(ids::IDS_NO_DEFAULT_PROVIDER));
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
        item.m_strTarget = recorder, item.m_strStartIn = work;
        item.m_strArguments = "one \"two words\" 'three' $HOME";
        QVERIFY(item.Launch());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), 20000);
        // no shell: quotes split words, nothing is expanded
        QCOMPARE(QString::fromUtf8(TestEnv::readAll(record)).split('\n', Qt::SkipEmptyParts),
                 (QStringList{"cwd=" + work, "arg=one", "arg=two words", "arg=three", "arg=$HOME"}));
        QVERIFY(m.boxes.isEmpty());
    }
};

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
