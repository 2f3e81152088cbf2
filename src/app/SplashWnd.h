#pragma once
// The splash bitmap shown over the main window for a moment at start-up. It
// goes by itself after its timer or at the first key or mouse-button press
// anywhere in the program, and that press is swallowed.

#include "theme/Dib.h"

#include <QBasicTimer>
#include <QWidget>

class QEvent;

class CSplashWnd : public QWidget
{
    Q_OBJECT
public:
    ~CSplashWnd() override;

    static void EnableSplashScreen(bool enable) { c_bShowSplashWnd = enable; }
    static void ShowSplashScreen(QWidget* parent);
    // The application's first look at every event: true when the splash
    // consumed it.
    static bool PreTranslateAppMessage(QEvent* e);
    static CSplashWnd* Current() { return c_pSplashWnd; }

    bool Create(QWidget* parent);
    void HideSplashScreen();

    // How long the splash stays: 750 ms. Tests shorten it.
    static int Timeout() { return c_nTimeout; }
    static void SetTimeout(int ms) { c_nTimeout = ms; }

    CDib m_dib;

protected:
    CSplashWnd() = default;
    void paintEvent(QPaintEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    static bool c_bShowSplashWnd;
    static CSplashWnd* c_pSplashWnd;
    static int c_nTimeout;
    QBasicTimer m_timer;
    bool m_bPainted = false;
};
