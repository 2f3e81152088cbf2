#pragma once
// The simulated modem: a line whose behaviour the entry describes, so the
// dialer can be tried (and tested) without hardware. The description is a
// comma-separated list of steps for successive calls, the last one repeating:
//   connect [BPS]       answer and connect (28800 bps when not given)
//   busy | noanswer | nocarrier | nodialtone | authfail
//   drop SECONDS [BPS]  connect, then lose the line after SECONDS
// e.g. "busy,busy,connect 33600". An empty description means "connect".
// Delays are realistic and multiplied by the service's time scale.

#include "platform/ras/DialBackend.h"

#include <QList>
#include <QTimer>

namespace ras {

struct SimStep
{
    enum Kind { Connect, Busy, NoAnswer, NoCarrier, NoDialTone, AuthFail, Drop };
    Kind kind = Connect;
    DWORD dwSpeed = 28800;
    int nDropSeconds = 0;
    bool operator==(const SimStep&) const = default;
};

// False for a description that cannot be understood; steps may be null.
bool ParseSimLine(const QString& text, QList<SimStep>* steps);

// One thing that happens on the line, delayMs after the previous one.
struct SimEvent
{
    enum Kind { State, Connected, Failed, Dropped };
    int nDelayMs = 0;
    Kind kind = State;
    unsigned state = 0;  // State
    DWORD dwError = 0;   // Failed, Dropped
};

// What a call of the given step does, with delays scaled by timeScale.
QList<SimEvent> SimPlan(const SimStep& step, double timeScale);

// Which step of a scripted line this call takes. Calls are counted per entry,
// number and description across the user's processes, so a sequence
// continues from one dialer run to the next; a changed description starts
// again at its first step.
int TakeSimCallIndex(const QString& entry, const QString& number, const QString& description);

class CSimModemBackend : public CDialBackend
{
    Q_OBJECT
public:
    CSimModemBackend();
    void Start(const DialRequest& request, CDialSink* sink) override;
    void HangUp() override;

private:
    void OnTimer();
    void ScheduleNext();

    QTimer m_timer;
    QList<SimEvent> m_plan;
    int m_nNext = 0;
    DWORD m_dwSpeed = 0;
    QString m_strAddress;
    CDialSink* m_pSink = nullptr;
};

} // namespace ras
