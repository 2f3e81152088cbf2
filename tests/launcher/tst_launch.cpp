#include "TestFile.h"
#include "framework/MessageBox.h"
#include "launcher/ItemLaunch.h"
#include "platform/shell/Execute.h"
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

    // setup: h the dial-up part is there, a the item asks to dial first.
    // Failed, cancelled and needless dials run against the real dialing in
    // the dial-up tests.
    void dialFirst_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("dialled");
        QTest::newRow("no dial-up part") << "a" << "";
        QTest::newRow("dials, then starts") << "ha" << "Acme";
    }

    void dialFirst()
    {
        QFETCH(QString, setup);
        if (setup.contains('h'))
            SetDialFirstHooks({[] { return false; }, [] { return QString("Acme"); },
                               [this](const QString& e, QWidget*) { return m.dialled << e, true; }});
        CThemeItem item;
        item.m_strTarget = MakeFile(*m_env, "bin/tool", "#!/bin/sh\n", true);
        item.m_bDialFirst = setup.contains('a'), item.m_nShowCmd = 2;
        // the window state reaches the starter
        QVERIFY(item.Launch() && m.started.size() == 1 && m.started[0].showCmd == 2 && m.boxes.isEmpty());
        QTEST(m.dialled.join(','), "dialled");
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
