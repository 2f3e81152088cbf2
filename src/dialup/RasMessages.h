#pragma once
// The four registered messages of the dial-up subsystem, as event types that
// are registered once per process:
//   "RasDialEvent"          wParam: connection state      lParam: error code
//   "AV_RASCONNECTIONTIME"  wParam: entry index (-1)      lParam: seconds up
//   "AV_RASCONNECTIONSPEED" wParam: entry index (-1)      lParam: bits per second
//   "AV_RASDROPLINE"        wParam: entry index (-1)      lParam: 0
// The progress of a call goes to the object that dialled; the other three are
// posted to every top-level widget.

#include <QEvent>
#include <QtGlobal>

using WPARAM = quintptr;
using LPARAM = qintptr;

// Used for "RasDialEvent" when no event type can be registered.
constexpr int kRasDialEventFallback = 0xCCCD;

int RasDialEventType();
int RasConnectionTimeEventType();
int RasConnectionSpeedEventType();
int RasDropLineEventType();

class CRasMessageEvent : public QEvent
{
public:
    CRasMessageEvent(int type, WPARAM wParam, LPARAM lParam)
        : QEvent(QEvent::Type(type)), m_wParam(wParam), m_lParam(lParam)
    {
    }
    WPARAM wParam() const { return m_wParam; }
    LPARAM lParam() const { return m_lParam; }
    // wParam of the three "AV_" messages, read back as the index it is.
    int Index() const { return int(qintptr(m_wParam)); }

private:
    WPARAM m_wParam;
    LPARAM m_lParam;
};

// Posts a copy of the message to each top-level widget of the application.
// Safe from any thread; does nothing once the application is being torn down.
void PostToTopLevelWidgets(int type, WPARAM wParam, LPARAM lParam);
