#include "platform/ras/SimModem.h"

#include "platform/base/Numbers.h"
#include "platform/profile/Profile.h"
#include "platform/ras/ServiceSettings.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <cmath>

namespace ras {

namespace {

// Realistic delays in milliseconds before the time scale is applied.
constexpr int kOpenPortMs = 0;
constexpr int kPortOpenedMs = 400;
constexpr int kStartDialMs = 300;
constexpr int kNoDialToneMs = 2000;
constexpr int kBusyMs = 5000;
constexpr int kNoCarrierMs = 25000;
constexpr int kNoAnswerMs = 45000;
constexpr int kHandshakeMs = 12000;
constexpr int kAllDevicesMs = 100;
constexpr int kAuthStartMs = 800;
constexpr int kAuthMs = 1500;
constexpr int kAuthenticatedMs = 400;
constexpr int kProjectMs = 1000;

bool ParseNumber(const QString& text, qint64 min, qint64 max, qint64& out)
{
    bool ok = false;
    out = text.toLongLong(&ok);
    return ok && out >= min && out <= max;
}

} // namespace

bool ParseSimLine(const QString& text, QList<SimStep>* steps)
{
    QList<SimStep> out;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        out.append(SimStep{});
    } else {
        static const QRegularExpression blanks(QStringLiteral("\\s+"));
        for (const QString& part : trimmed.split(QLatin1Char(','))) {
            const QStringList words = part.trimmed().toLower().split(blanks, Qt::SkipEmptyParts);
            if (words.isEmpty())
                return false;
            SimStep step;
            const QString& verb = words[0];
            qint64 n = 0;
            int args = 0;
            if (verb == QLatin1String("connect")) {
                step.kind = SimStep::Connect;
                if (words.size() > 1) {
                    if (!ParseNumber(words[1], 300, 100000000, n))
                        return false;
                    step.dwSpeed = DWORD(n);
                    args = 1;
                }
            } else if (verb == QLatin1String("drop")) {
                step.kind = SimStep::Drop;
                if (words.size() < 2 || !ParseNumber(words[1], 0, 86400 * 7, n))
                    return false;
                step.nDropSeconds = int(n);
                args = 1;
                if (words.size() > 2) {
                    if (!ParseNumber(words[2], 300, 100000000, n))
                        return false;
                    step.dwSpeed = DWORD(n);
                    args = 2;
                }
            } else if (verb == QLatin1String("busy")) {
                step.kind = SimStep::Busy;
            } else if (verb == QLatin1String("noanswer")) {
                step.kind = SimStep::NoAnswer;
            } else if (verb == QLatin1String("nocarrier")) {
                step.kind = SimStep::NoCarrier;
            } else if (verb == QLatin1String("nodialtone")) {
                step.kind = SimStep::NoDialTone;
            } else if (verb == QLatin1String("authfail")) {
                step.kind = SimStep::AuthFail;
            } else {
                return false;
            }
            if (words.size() != args + 1)
                return false;
            out.append(step);
        }
    }
    if (steps)
        *steps = out;
    return true;
}

QList<SimEvent> SimPlan(const SimStep& step, double timeScale)
{
    auto ms = [timeScale](int base) {
        const double v = std::round(base * timeScale);
        return v > 1e9 ? 1000000000 : int(v);
    };
    auto state = [&](int delay, unsigned s) { return SimEvent{ms(delay), SimEvent::State, s, 0}; };
    auto failed = [&](int delay, DWORD e) { return SimEvent{ms(delay), SimEvent::Failed, 0, e}; };

    QList<SimEvent> plan = {state(kOpenPortMs, RASCS_OpenPort), state(kPortOpenedMs, RASCS_PortOpened),
                            state(kStartDialMs, RASCS_ConnectDevice)};
    switch (step.kind) {
    case SimStep::NoDialTone:
        plan.append(failed(kNoDialToneMs, ERROR_NO_DIALTONE));
        return plan;
    case SimStep::Busy:
        plan.append(failed(kBusyMs, ERROR_LINE_BUSY));
        return plan;
    case SimStep::NoCarrier:
        plan.append(failed(kNoCarrierMs, ERROR_NO_CARRIER));
        return plan;
    case SimStep::NoAnswer:
        plan.append(failed(kNoAnswerMs, ERROR_NO_ANSWER));
        return plan;
    case SimStep::Connect:
    case SimStep::AuthFail:
    case SimStep::Drop:
        break;
    }
    plan.append(state(kHandshakeMs, RASCS_DeviceConnected));
    plan.append(state(kAllDevicesMs, RASCS_AllDevicesConnected));
    plan.append(state(kAuthStartMs, RASCS_Authenticate));
    if (step.kind == SimStep::AuthFail) {
        plan.append(failed(kAuthMs, ERROR_AUTHENTICATION_FAILURE));
        return plan;
    }
    plan.append(state(kAuthMs, RASCS_AuthNotify));
    plan.append(state(kAuthenticatedMs, RASCS_Authenticated));
    plan.append(SimEvent{ms(kProjectMs), SimEvent::Connected, 0, 0});
    if (step.kind == SimStep::Drop) {
        const double dropMs = std::round(step.nDropSeconds * 1000.0 * timeScale);
        plan.append(SimEvent{dropMs > 1e9 ? 1000000000 : int(dropMs), SimEvent::Dropped, 0,
                             ERROR_PORT_NOT_CONNECTED});
    }
    return plan;
}

int TakeSimCallIndex(const QString& entry, const QString& number, const QString& description)
{
    const QString file = RuntimeFolder() + QStringLiteral("/simcalls.ini");
    const QByteArray id = (entry.toLower() + QLatin1Char('\n') + number + QLatin1Char('\n') + description).toUtf8();
    const QString key = QString::fromLatin1(QCryptographicHash::hash(id, QCryptographicHash::Sha1).toHex());
    // Read and counted up under the file's lock: two dials at once take
    // two calls of the line, never the same one.
    MakePrivateFolder(RuntimeFolder());
    int index = 0;
    profile::UpdatePrivateProfile(file, [&](profile::CProfileFile& doc) {
        QString value;
        if (doc.GetString(QStringLiteral("Calls"), key, value))
            index = int(base::ParseLeadingInteger(value, 0, 0x7FFFFFFE).value);
        return doc.SetString(QStringLiteral("Calls"), key, QString::number(index + 1));
    });
    return index;
}

CSimModemBackend::CSimModemBackend()
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CSimModemBackend::OnTimer);
}

void CSimModemBackend::Start(const DialRequest& request, CDialSink* sink)
{
    m_pSink = sink;
    const QString description = request.entry.mapSimLineByNumber.value(request.strPhoneNumber,
                                                                      request.entry.strSimLine);
    QList<SimStep> steps;
    if (!ParseSimLine(description, &steps)) {
        // A line description that cannot be understood is a modem error.
        m_plan = {SimEvent{0, SimEvent::State, RASCS_OpenPort, 0},
                  SimEvent{0, SimEvent::Failed, 0, ERROR_FROM_DEVICE}};
    } else {
        int index = 0;
        if (steps.size() > 1)
            index = qMin<int>(TakeSimCallIndex(request.strEntryName, request.strPhoneNumber, description),
                              steps.size() - 1);
        m_dwSpeed = steps[index].dwSpeed;
        m_plan = SimPlan(steps[index], TimeScale());
    }
    // Addresses from the range set aside for documentation.
    m_strAddress = QStringLiteral("192.0.2.%1").arg(1 + int(request.hConn % 253));
    m_nNext = 0;
    ScheduleNext();
}

void CSimModemBackend::HangUp()
{
    m_timer.stop();
    m_pSink = nullptr;
    m_plan.clear();
}

void CSimModemBackend::ScheduleNext()
{
    if (m_nNext < m_plan.size())
        m_timer.start(m_plan[m_nNext].nDelayMs);
}

void CSimModemBackend::OnTimer()
{
    if (!m_pSink || m_nNext >= m_plan.size())
        return;
    const SimEvent ev = m_plan[m_nNext++];
    // Schedule first: the sink may hang up, which clears the plan.
    ScheduleNext();
    CDialSink* sink = m_pSink;
    switch (ev.kind) {
    case SimEvent::State:
        sink->OnDialState(ev.state);
        break;
    case SimEvent::Connected:
        sink->OnDialConnected(m_dwSpeed, m_strAddress);
        break;
    case SimEvent::Failed:
        m_timer.stop();
        m_pSink = nullptr;
        sink->OnDialFailed(ev.dwError);
        break;
    case SimEvent::Dropped:
        m_timer.stop();
        m_pSink = nullptr;
        sink->OnLineDropped(ev.dwError);
        break;
    }
}

} // namespace ras
