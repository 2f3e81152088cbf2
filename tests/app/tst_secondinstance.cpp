// One Dialtop per user, with real processes: a second start hands its theme
// to the running one and ends at once.

#include "TestEnv.h"
#include "TestThemes.h"
#include "app/DialtopApp.h"
#include "app/SingleInstance.h"
#include "framework/FrameWnd.h"
#include "theme/DialtopDoc.h"

#include <QDialog>
#include <QProcess>


#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class tst_SecondInstance : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::vector<std::unique_ptr<QProcess>> m_procs;
    std::unique_ptr<CDialtopApp> m_app;
    std::unique_ptr<UiStubs> m_ui;

    QString program() const { return qEnvironmentVariable("DIALTOP_BUILD_DIR") + "/bin/dialtop"; }

    QProcess* start(const QStringList& args)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment(); // TestEnv's roots included
        for (auto [k, v] : {std::pair{"QT_QPA_PLATFORM", QString("offscreen")}, {"HOME", m_env->path("home")},
                            {"DIALTOP_SHARE_DIR", m_env->path("noshare")}})
            env.insert(k, v);
        env.remove("DIALTOP_EXIT_WHEN_SHOWN");
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(program(), args);
        return m_procs.emplace_back(std::move(p)).get();
    }

    QString theme(const QString& name)
    {
        const QString path = m_env->path("themes/" + name + ".Theme");
        return writeTheme(path, name), path;
    }

    // A first instance with theme A, up and answering.
    QProcess* startFirst(const QString& a)
    {
        QProcess* first = start({a});
        [&] {
            QVERIFY(first->waitForStarted(5000));
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(CSingleInstance::ServerPath()), 15000);
            QTRY_COMPARE_WITH_TIMEOUT(recentFile(1), a, 5000);
        }();
        return first;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>(), reg::ResetStore();
        QDir().mkpath(m_env->path("home"));
        QVERIFY2(QFileInfo(program()).isExecutable(), qPrintable(program()));
    }

    void cleanup()
    {
        if (m_app)
            m_app->ExitInstance(), m_app.reset(), QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_ui.reset(), CDialtopApp::SetKernelReleaseOverride(QString());
        for (auto& p : m_procs)
            p->kill(), p->waitForFinished(5000);
        m_procs.clear(), m_env.reset();
        reg::ResetStore();
    }

    void secondStartHandsItsThemeOver()
    {
        const QString a = theme("A"), b = theme("B");
        QProcess* first = startFirst(a);

        const auto endsAtOnce = [this](const QStringList& args) {
            QProcess* second = start(args);
            return second->waitForFinished(30000) && second->exitStatus() == QProcess::NormalExit &&
                   second->exitCode() == 0;
        };
        // Without a theme, the second start only ends.
        QVERIFY(endsAtOnce({}));
        QTest::qWait(300);
        QVERIFY(first->state() == QProcess::Running && recentFile(1) + "|" + recentFile(2) == a + "|");

        // With one, the first instance opens it: B heads its recent list, A comes next.
        QVERIFY(endsAtOnce({b}));
        QTRY_COMPARE_WITH_TIMEOUT(recentFile(1) + "|" + recentFile(2), b + "|" + a, 10000);
        QCOMPARE(first->state(), QProcess::Running);
    }

    void theRunningInstanceComesForwardAndWaitsForItsDialog()
    {
        // This process is the running instance; a real second start talks to it.
        const QString a = theme("A"), b = theme("B");
        CDialtopApp::SetKernelReleaseOverride("6.1.0");
        m_ui = std::make_unique<UiStubs>();
        m_app = std::make_unique<CDialtopApp>();
        QVERIFY(m_app->InitInstance({a}));
        fw::CFrameWnd* frame = m_app->GetDocTemplate()->GetFrame();
        frame->showMinimized();

        // A dialog of the running instance is open.
        QDialog dialog(frame);
        dialog.setModal(true), dialog.show();

        start({b});
        QTRY_VERIFY_WITH_TIMEOUT(!frame->isMinimized(), 10000);
        QTest::qWait(500);
        auto* doc = static_cast<CDialtopDoc*>(m_app->GetDocTemplate()->GetDocument());
        QCOMPARE(doc->GetPathName(), a); // not behind the dialog's back

        dialog.close();
        QTRY_COMPARE_WITH_TIMEOUT(doc->GetPathName(), b, 5000);
    }

    void aSocketLeftByADeadInstanceDoesNotStopAStart()
    {
        // A crash leaves the socket file behind; nobody answers on it.
        QProcess* first = startFirst(theme("A"));
        first->kill();
        QVERIFY(first->waitForFinished(5000) && QFileInfo::exists(CSingleInstance::ServerPath()));

        const QString b = theme("B");
        QProcess* next = start({b});
        QTRY_COMPARE_WITH_TIMEOUT(recentFile(1), b, 15000);
        QCOMPARE(next->state(), QProcess::Running);
    }

    // A client that says nothing, or too much without ending its line, is
    // dropped without stalling the instance; the next request still comes in.
    void silentAndOversizedRequestsAreDropped()
    {
        CSingleInstance instance;
        QVERIFY(instance.Listen());
        QStringList opened;
        connect(&instance, &CSingleInstance::activateRequested, [&](const QString& f) { opened << f; });
        auto client = [](const QByteArray& send) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un addr{.sun_family = AF_UNIX, .sun_path = {}};
            qstrncpy(addr.sun_path, QFile::encodeName(CSingleInstance::ServerPath()).constData(), sizeof addr.sun_path);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
                return -1;
            for (qsizetype done = 0, n = 1; n > 0 && done < send.size(); done += qMax<qsizetype>(n, 0))
                n = ::send(fd, send.constData() + done, size_t(send.size() - done), MSG_DONTWAIT);
            return fd;
        };
        const int silent = client({});
        const int flood = client(QByteArray(CSingleInstance::kMaxRequest + 100, 'x'));
        const int good = client(R"({"open":"/t/B.Theme"})" "\n");
        QVERIFY(silent >= 0 && flood >= 0 && good >= 0);
        QTRY_COMPARE(opened, QStringList{"/t/B.Theme"});
        char answer[8] = {};
        QCOMPARE(QByteArray(answer, qMax<ssize_t>(0, ::recv(good, answer, sizeof answer, 0))), QByteArray("ok\n"));
        QTRY_VERIFY(::recv(flood, answer, sizeof answer, MSG_DONTWAIT) == 0); // closed by the instance
        for (int fd : {silent, flood, good})
            ::close(fd);
        instance.Close();
        QVERIFY(!QFileInfo::exists(CSingleInstance::ServerPath()));
    }
};

QTEST_MAIN(tst_SecondInstance)
#include "tst_secondinstance.moc"
