// The splash over a started main window: it goes by itself, or at the first
// key or mouse-button press, which it swallows; other input passes through.

#include "TestEnv.h"
#include "TestThemes.h"
#include "app/DialtopApp.h"
#include "app/SplashWnd.h"
#include "framework/FrameWnd.h"
#include "res/ResourceIds.h"
#include "theme/Dib.h"

#include <QMouseEvent>

namespace {

// Records the input that reaches a widget.
class InputRecorder : public QObject
{
public:
    QList<QEvent::Type> m_events;
    bool eventFilter(QObject*, QEvent* e) override
    {
        using E = QEvent;
        if (QList{E::KeyPress, E::KeyRelease, E::MouseMove, E::MouseButtonPress, E::MouseButtonRelease}.contains(e->type()))
            m_events << e->type();
        return false;
    }
    int count(QEvent::Type t) const { return int(m_events.count(t)); }
};

} // namespace

class tst_Splash : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<UiStubs> m_ui;
    std::unique_ptr<CDialtopApp> m_app;
    QPointer<CSplashWnd> m_splash;
    fw::CFrameWnd* m_frame = nullptr;
    InputRecorder m_recorder;

    // A started program with its window and splash; the splash stays for timeout ms.
    void startProgram(int timeout)
    {
        CSplashWnd::SetTimeout(timeout);
        CSplashWnd::EnableSplashScreen(true);
        const QString theme = m_env->path("themes/Work.Theme");
        writeTheme(theme, "Tab");
        m_app = std::make_unique<CDialtopApp>();
        QVERIFY(m_app->InitInstance({theme}));
        m_frame = m_app->GetDocTemplate()->GetFrame();
        m_splash = CSplashWnd::Current();
        QVERIFY(m_frame && m_splash);
        m_recorder.m_events.clear(), m_frame->installEventFilter(&m_recorder);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnv>(), m_ui = std::make_unique<UiStubs>();
        reg::ResetStore(), CDialtopApp::SetKernelReleaseOverride("6.1.0");
    }

    void cleanup()
    {
        if (m_splash)
            m_splash->HideSplashScreen();
        if (m_app)
            m_app->ExitInstance();
        m_app.reset(), m_frame = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        CSplashWnd::SetTimeout(750);
        m_ui.reset(), m_env.reset();
        reg::ResetStore();
    }

    void bitmapSizeCentredOverTheWindowThenGoesByItself()
    {
        startProgram(30);
        QVERIFY(m_splash->isVisible());
        CDib dib;
        QVERIFY(dib.LoadFromResource(int(ids::IDB_SPLASH)));
        QCOMPARE(m_splash->size(), QSize(dib.m_nWidth, dib.m_nHeight));
        const QPoint delta = m_splash->frameGeometry().center() - m_frame->frameGeometry().center();
        QVERIFY2(delta.manhattanLength() <= 2, qPrintable(QString("off by %1,%2").arg(delta.x()).arg(delta.y())));

        QTRY_VERIFY_WITH_TIMEOUT(!CSplashWnd::Current(), 3000);
        QTRY_VERIFY(!m_splash && m_recorder.m_events.isEmpty()); // deleted, not only hidden
    }

    // The press that closes the splash goes nowhere, not even to a shortcut
    // (F1 opens the manual); moves and releases before it and the next press pass.
    void firstPressIsSwallowed_data()
    {
        QTest::addColumn<bool>("key");
        QTest::newRow("mouse") << false, QTest::newRow("key") << true;
    }

    void firstPressIsSwallowed()
    {
        QFETCH(bool, key);
        startProgram(60000);
        QWidget* target = m_frame->centralWidget();
        target->installEventFilter(&m_recorder);
        QSignalSpy help(m_frame->FindAction(ids::ID_HELP), &QAction::triggered);
        const QEvent::Type press = key ? QEvent::KeyPress : QEvent::MouseButtonPress;
        if (key) {
            QTest::keyRelease(m_frame, Qt::Key_B);
            QCOMPARE(m_recorder.count(QEvent::KeyRelease), 1);
        } else {
            // Tracking on, or Qt itself drops moves without a button.
            m_frame->setMouseTracking(true);
            QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), m_frame->mapToGlobal(QPointF(20, 20)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(m_frame, &move);
            QCOMPARE(m_recorder.count(QEvent::MouseMove), 1);
        }
        QVERIFY(CSplashWnd::Current());

        key ? QTest::keyPress(m_frame, Qt::Key_F1) : QTest::mousePress(target, Qt::LeftButton, {}, QPoint(30, 30));
        QVERIFY(!CSplashWnd::Current() && m_recorder.count(press) == 0 && help.count() == 0);
        key ? QTest::keyRelease(m_frame, Qt::Key_F1) : QTest::mouseRelease(target, Qt::LeftButton, {}, QPoint(30, 30));

        key ? QTest::keyPress(m_frame, Qt::Key_C) : QTest::mousePress(target, Qt::RightButton, {}, QPoint(30, 30));
        QVERIFY(m_recorder.count(press) >= 1); // the view, then maybe the frame
        key ? QTest::keyRelease(m_frame, Qt::Key_C) : QTest::mouseRelease(target, Qt::RightButton, {}, QPoint(30, 30));
    }
};

QTEST_MAIN(tst_Splash)
#include "tst_splash.moc"
