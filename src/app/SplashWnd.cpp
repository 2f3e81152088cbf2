#include "SplashWnd.h"

#include "res/ResourceIds.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

bool CSplashWnd::c_bShowSplashWnd = false;
CSplashWnd* CSplashWnd::c_pSplashWnd = nullptr;
int CSplashWnd::c_nTimeout = 750;

CSplashWnd::~CSplashWnd()
{
    if (c_pSplashWnd == this)
        c_pSplashWnd = nullptr;
}

void CSplashWnd::ShowSplashScreen(QWidget* parent)
{
    if (!c_bShowSplashWnd || c_pSplashWnd)
        return;
    c_pSplashWnd = new CSplashWnd;
    if (!c_pSplashWnd->Create(parent)) {
        delete c_pSplashWnd;
        return;
    }
    // Drawn now if showing it has not drawn it already (showing a splash
    // before the event loop runs lets the platform paint it at once).
    if (!c_pSplashWnd->m_bPainted)
        c_pSplashWnd->repaint();
}

bool CSplashWnd::Create(QWidget* parent)
{
    if (!m_dib.LoadFromResource(int(ids::IDB_SPLASH)))
        return false;
    setParent(parent, Qt::SplashScreen | Qt::FramelessWindowHint);
    setObjectName("splash");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(m_dib.m_nWidth, m_dib.m_nHeight);
    // Centred over the owner, or over the screen without one.
    QRect over;
    if (parent)
        over = parent->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    move(over.center() - QPoint(width() / 2, height() / 2));
    show();
    m_timer.start(c_nTimeout, this);
    return true;
}

void CSplashWnd::HideSplashScreen()
{
    m_timer.stop();
    hide();
    if (c_pSplashWnd == this)
        c_pSplashWnd = nullptr;
    deleteLater();
}

bool CSplashWnd::PreTranslateAppMessage(QEvent* e)
{
    if (!c_pSplashWnd)
        return false;
    switch (e->type()) {
    case QEvent::ShortcutOverride:
        // Keep a shortcut from firing: the key press that follows closes the
        // splash and is swallowed.
        e->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
        c_pSplashWnd->HideSplashScreen();
        return true;
    default:
        return false;
    }
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    m_bPainted = true;
    QPainter p(this);
    m_dib.DrawWithPalette(&p, rect(), QRect(0, 0, m_dib.m_nWidth, m_dib.m_nHeight));
}

void CSplashWnd::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_timer.timerId())
        HideSplashScreen();
}
