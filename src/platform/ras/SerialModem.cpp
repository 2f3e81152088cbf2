#include "platform/ras/SerialModem.h"

#include "platform/ras/Pppd.h"
#include "platform/ras/SerialPort.h"
#include "platform/ras/ServiceSettings.h"

#include <QSocketNotifier>

#include <algorithm>

namespace ras {

namespace {

// Realistic timings in milliseconds before the time scale is applied.
constexpr int kCommandMs = 3000;   // an AT command's answer
constexpr int kLinkUpMs = 120000;  // pppd, from start to an address
constexpr int kMaxLineBytes = 256; // longer lines from the modem are noise
constexpr int kMaxSeenChars = 4096;
constexpr int kPortWaitMs = 50;
constexpr int kMaxPortWaits = 400; // 20 s: the longest hang-up there is

int Scaled(qint64 ms, int floorMs)
{
    return std::max(floorMs, int(std::min(1e9, double(ms) * TimeScale())));
}

// The decimal number at the start of text (after blanks), 0 when none.
DWORD LeadingSpeed(const QByteArray& text)
{
    const QByteArray t = text.trimmed();
    qsizetype n = 0;
    while (n < t.size() && n < 10 && t[n] >= '0' && t[n] <= '9')
        ++n;
    const qulonglong v = t.left(n).toULongLong();
    return v <= 0xFFFFFFFFull ? DWORD(v) : 0;
}

// text is word, or word followed by a blank or a slash.
bool StartsWithWord(const QByteArray& text, const char* word, QByteArray* rest)
{
    const QByteArray w(word);
    if (!text.startsWith(w))
        return false;
    if (text.size() > w.size() && text[w.size()] != ' ' && text[w.size()] != '/')
        return false;
    if (rest)
        *rest = text.mid(w.size());
    return true;
}

} // namespace

// Notifiers are often stopped from inside their own signal: never deleted
// there.
void DropNotifier(QSocketNotifier*& notifier)
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier->deleteLater();
    notifier = nullptr;
}

ModemReply ParseModemReply(const QByteArray& raw)
{
    const QByteArray line = raw.trimmed().toUpper();
    QByteArray rest;
    if (line == "OK")
        return {ModemReply::Ok, 0};
    if (line == "ERROR" || line.startsWith("+CME ERROR") || line.startsWith("+CMS ERROR"))
        return {ModemReply::Error, 0};
    if (StartsWithWord(line, "CONNECT", &rest))
        return {ModemReply::Connect, LeadingSpeed(rest)};
    if (StartsWithWord(line, "CARRIER", &rest))
        return {ModemReply::Carrier, LeadingSpeed(rest)};
    if (line == "BUSY")
        return {ModemReply::Busy, 0};
    if (line == "NO ANSWER")
        return {ModemReply::NoAnswer, 0};
    if (line == "NO CARRIER")
        return {ModemReply::NoCarrier, 0};
    if (line == "NO DIALTONE" || line == "NO DIAL TONE")
        return {ModemReply::NoDialTone, 0};
    if (line == "VOICE")
        return {ModemReply::Voice, 0};
    if (StartsWithWord(line, "DELAYED", nullptr))
        return {ModemReply::Delayed, 0};
    if (StartsWithWord(line, "BLACKLISTED", nullptr))
        return {ModemReply::Blacklisted, 0};
    return {};
}

DWORD DialReplyError(ModemReply::Kind kind)
{
    switch (kind) {
    case ModemReply::Error: return ERROR_FROM_DEVICE;
    case ModemReply::Busy: return ERROR_LINE_BUSY;
    case ModemReply::NoAnswer: return ERROR_NO_ANSWER;
    case ModemReply::NoCarrier: return ERROR_NO_CARRIER;
    case ModemReply::NoDialTone: return ERROR_NO_DIALTONE;
    case ModemReply::Voice: return ERROR_VOICE_ANSWER;
    case ModemReply::Delayed: return ERROR_DIAL_DELAYED;
    case ModemReply::Blacklisted: return ERROR_DIAL_BLACKLISTED;
    default: return ERROR_SUCCESS;
    }
}

QByteArray DialCommand(const QString& number, bool bPulse)
{
    // Digits, the tone keys, the international prefix and the modem's own
    // dial modifiers; nothing that could end the command or start another.
    static const QString allowed = QStringLiteral("0123456789*#+,ABCDPTW!@");
    static const QString ignored = QStringLiteral(" -.()/");
    QByteArray digits;
    for (QChar c : number) {
        if (ignored.contains(c))
            continue;
        const QChar u = c.toUpper();
        if (!allowed.contains(u))
            return {};
        digits += char(u.unicode());
    }
    if (digits.isEmpty())
        return {};
    return (bPulse ? "ATDP" : "ATDT") + digits + '\r';
}

CSerialModemBackend::CSerialModemBackend()
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CSerialModemBackend::OnTimeout);
}

CSerialModemBackend::~CSerialModemBackend()
{
    m_pSink = nullptr;
    ReleaseLine();
}

void CSerialModemBackend::Start(const DialRequest& request, CDialSink* sink)
{
    m_req = request;
    m_pSink = sink;
    // Reports come from the event loop, never from inside Start.
    QTimer::singleShot(0, this, [this] { Begin(); });
}

void CSerialModemBackend::HangUp()
{
    m_pSink = nullptr;
    m_phase = Ended;
    ReleaseLine();
}

void CSerialModemBackend::Post(unsigned state)
{
    if (!m_pSink || (m_bPosted && state <= m_nLastState))
        return;
    m_bPosted = true;
    m_nLastState = state;
    m_pSink->OnDialState(state);
}

void CSerialModemBackend::Begin()
{
    if (!m_pSink || m_phase != Idle)
        return;
    Post(RASCS_OpenPort);
    if (!m_pSink)
        return;
    if (DialCommand(m_req.strPhoneNumber, m_req.entry.bPulseDial).isEmpty())
        return Finish(ERROR_BAD_PHONE_NUMBER, false);
    if (m_req.entry.bLoginScript) {
        if (DWORD rc = LoadLoginScript(m_req.strEntryName, &m_script))
            return Finish(rc, false);
    }
    // Our own hang-up of the last call (a redial after a drop) still holds
    // the port for a moment: wait for it rather than call it busy.
    if (IsHangingUp(m_req.entry.strDeviceName) && m_nPortWaits++ < kMaxPortWaits) {
        QTimer::singleShot(kPortWaitMs, this, [this] { Begin(); });
        return;
    }
    m_pPort = std::make_unique<CSerialPort>();
    if (DWORD rc = m_pPort->Open(m_req.entry.strDeviceName, m_req.entry.dwSpeed)) {
        m_pPort.reset();
        return Finish(rc, false);
    }
    m_pNotifier = new QSocketNotifier(m_pPort->Fd(), QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CSerialModemBackend::OnReadable);
    Post(RASCS_PortOpened);
    if (!m_pSink)
        return;
    m_phase = Reset;
    Send("ATZ\r", Scaled(kCommandMs, 200));
}

void CSerialModemBackend::Send(const QByteArray& command, int timeoutMs)
{
    m_timer.start(timeoutMs);
    if (!m_pPort->Write(command))
        Finish(ERROR_PORT_OR_DEVICE, false);
}

void CSerialModemBackend::OnReadable()
{
    if (!m_pPort || m_phase == Ended)
        return;
    QByteArray bytes;
    const bool alive = m_pPort->ReadAvailable(bytes);
    if (m_phase == Script) {
        m_strSeen += QString::fromLatin1(bytes);
        if (m_strSeen.size() > kMaxSeenChars)
            m_strSeen = m_strSeen.right(kMaxSeenChars);
        RunScript();
    } else {
        m_buffer += bytes;
        // Lines end in CR, LF or both; empty ones are skipped.
        for (;;) {
            qsizetype end = -1;
            for (qsizetype i = 0; i < m_buffer.size(); ++i)
                if (m_buffer[i] == '\r' || m_buffer[i] == '\n') {
                    end = i;
                    break;
                }
            if (end < 0)
                break;
            const QByteArray line = m_buffer.left(end);
            m_buffer.remove(0, end + 1);
            if (!line.trimmed().isEmpty())
                OnLine(line.left(kMaxLineBytes));
            if (m_phase == Ended || m_phase == Script || m_phase == Pppd)
                break;
        }
        if (m_buffer.size() > kMaxLineBytes && m_phase != Script)
            m_buffer.clear();
    }
    // The device went away (unplugged, or the line closed under us).
    if (!alive && m_phase != Ended && m_phase != Pppd && m_phase != Up)
        Finish(ERROR_HARDWARE_FAILURE, false);
}

void CSerialModemBackend::OnLine(const QByteArray& line)
{
    const ModemReply reply = ParseModemReply(line);
    switch (m_phase) {
    case Reset:
    case Init:
        if (reply.kind == ModemReply::Ok) {
            if (m_phase == Reset)
                AfterReset();
            else
                StartDial();
        } else if (reply.kind == ModemReply::Error) {
            if (m_pSink)
                m_pSink->OnDeviceMessage(QString::fromLatin1(line.trimmed()));
            Finish(ERROR_FROM_DEVICE, false);
        }
        break;
    case Dialing:
        if (reply.kind == ModemReply::Carrier) {
            m_dwCarrier = reply.dwSpeed;
        } else if (reply.kind == ModemReply::Connect) {
            // The carrier line gives the line's speed; CONNECT may give the
            // port's. Without either, the port's speed is all we know.
            OnConnect(m_dwCarrier ? m_dwCarrier : reply.dwSpeed ? reply.dwSpeed : m_req.entry.dwSpeed);
        } else if (DWORD error = DialReplyError(reply.kind)) {
            if (m_pSink)
                m_pSink->OnDeviceMessage(QString::fromLatin1(line.trimmed()));
            Finish(error, false);
        }
        break;
    default:
        break;
    }
}

void CSerialModemBackend::AfterReset()
{
    QString init = m_req.entry.strInitString.trimmed();
    if (init.isEmpty() || init.compare(QLatin1String("ATZ"), Qt::CaseInsensitive) == 0)
        return StartDial();
    if (!init.startsWith(QLatin1String("AT"), Qt::CaseInsensitive))
        init.prepend(QLatin1String("AT"));
    m_phase = Init;
    Send(init.toLatin1() + '\r', Scaled(kCommandMs, 200));
}

void CSerialModemBackend::StartDial()
{
    m_phase = Dialing;
    Post(RASCS_ConnectDevice);
    if (!m_pSink)
        return;
    Send(DialCommand(m_req.strPhoneNumber, m_req.entry.bPulseDial), Scaled(m_req.entry.nDialTimeout * 1000ll, 200));
}

void CSerialModemBackend::OnConnect(DWORD speed)
{
    m_dwSpeed = speed;
    m_timer.stop();
    Post(RASCS_DeviceConnected);
    if (!m_pSink)
        return;
    if (m_script.isEmpty())
        return StartPppd();
    m_phase = Script;
    // Whatever came with the CONNECT line belongs to the login dialog.
    m_strSeen = QString::fromLatin1(m_buffer);
    m_buffer.clear();
    m_nScriptStep = 0;
    m_nScriptTimeoutMs = Scaled(kDefaultScriptTimeout * 1000, 200);
    RunScript();
}

void CSerialModemBackend::RunScript()
{
    while (m_phase == Script && m_nScriptStep < m_script.size()) {
        const ScriptStep& step = m_script[m_nScriptStep];
        if (step.kind == ScriptStep::Timeout) {
            m_nScriptTimeoutMs = Scaled(step.nSeconds * 1000, 200);
        } else if (step.kind == ScriptStep::Send) {
            QString text = step.strText;
            text.replace(QLatin1String("$USER"), m_req.strUserName);
            text.replace(QLatin1String("$PASSWORD"), m_req.strPassword);
            if (!m_pPort->Write(text.toUtf8() + '\r'))
                return Finish(ERROR_PORT_OR_DEVICE, false);
        } else {
            const qsizetype at = m_strSeen.indexOf(step.strText, 0, Qt::CaseInsensitive);
            if (at < 0) {
                if (!m_timer.isActive())
                    m_timer.start(m_nScriptTimeoutMs);
                return;
            }
            m_timer.stop();
            m_strSeen.remove(0, at + step.strText.size());
        }
        ++m_nScriptStep;
    }
    if (m_phase == Script) {
        m_timer.stop();
        StartPppd();
    }
}

void CSerialModemBackend::StartPppd()
{
    m_phase = Pppd;
    Post(RASCS_AllDevicesConnected);
    if (!m_pSink)
        return;
    // pppd owns the line from here; we no longer read it.
    DropNotifier(m_pNotifier);
    m_pPort->SetBlocking(true);
    m_pPppd = new CPppdLink;
    m_pPppd->setParent(this);
    m_pPppd->onLogLine = [this](const QByteArray& line) { OnPppdLine(line); };
    m_pPppd->onExit = [this](int code) { OnPppdExit(code); };
    CPppdLink::Request r;
    r.strProgram = PppdPath();
    r.strPeersPath = PppdPeersPath();
    r.strUserName = m_req.strUserName;
    r.strPassword = m_req.strPassword;
    r.strAuthentication = m_req.entry.strAuthentication;
    r.strOptions = m_req.entry.strPppdOptions;
    r.nLineFd = m_pPort->Fd();
    if (DWORD rc = m_pPppd->Start(r))
        return Finish(rc, false);
    m_timer.start(Scaled(kLinkUpMs, 1000));
}

void CSerialModemBackend::OnPppdLine(const QByteArray& line)
{
    const PppdLogEvent ev = ParsePppdLogLine(line);
    switch (ev.kind) {
    case PppdLogEvent::LinkStarted:
        Post(RASCS_Authenticate);
        break;
    case PppdLogEvent::AuthSucceeded:
        for (unsigned s : {RASCS_Authenticate, RASCS_AuthNotify, RASCS_Authenticated})
            Post(s);
        break;
    case PppdLogEvent::AuthFailed:
        m_bAuthFailed = true;
        break;
    case PppdLogEvent::LocalAddress:
        if (m_phase != Pppd)
            break;
        // A provider that asks for no authentication still passes through
        // the same states.
        for (unsigned s : {RASCS_Authenticate, RASCS_AuthNotify, RASCS_Authenticated})
            Post(s);
        if (!m_pSink)
            return;
        m_phase = Up;
        m_timer.stop();
        m_pSink->OnDialConnected(m_dwSpeed, ev.strValue);
        break;
    case PppdLogEvent::RemoteAddress:
        m_strServer = ev.strValue;
        if (m_pSink)
            m_pSink->OnLinkDetails(m_strServer, m_dns);
        break;
    case PppdLogEvent::DnsAddress:
        if (m_dns.size() < 4)
            m_dns.append(ev.strValue);
        if (m_pSink)
            m_pSink->OnLinkDetails(m_strServer, m_dns);
        break;
    default:
        break;
    }
}

void CSerialModemBackend::OnPppdExit(int exitCode)
{
    if (m_phase == Ended)
        return;
    const bool up = m_phase == Up;
    if (up && exitCode == 5) // ended by a signal from someone else: a hang-up, not a drop
        return Finish(ERROR_USER_DISCONNECTION, false);
    if (!up && m_bAuthFailed)
        return Finish(ERROR_AUTHENTICATION_FAILURE, false);
    Finish(PppdExitError(exitCode < 0 ? 1 : exitCode, up), up);
}

void CSerialModemBackend::OnTimeout()
{
    switch (m_phase) {
    case Reset:
    case Init:
        return Finish(ERROR_PORT_OR_DEVICE, false);
    case Dialing:
        return Finish(ERROR_NO_ANSWER, false);
    case Script:
        return Finish(ERROR_SCRIPT_TIMEOUT, false);
    case Pppd:
        return Finish(ERROR_PPP_TIMEOUT, false);
    default:
        break;
    }
}

void CSerialModemBackend::Finish(DWORD error, bool bDropped)
{
    CDialSink* sink = m_pSink;
    m_pSink = nullptr;
    m_phase = Ended;
    ReleaseLine();
    if (!sink)
        return;
    if (bDropped)
        sink->OnLineDropped(error);
    else
        sink->OnDialFailed(error);
}

void CSerialModemBackend::ReleaseLine()
{
    m_timer.stop();
    DropNotifier(m_pNotifier);
    qint64 pid = 0;
    int pidFd = -1;
    if (m_pPppd) {
        m_pPppd->Release(&pid, &pidFd);
        // Its callbacks may be on the stack.
        m_pPppd->deleteLater();
        m_pPppd = nullptr;
    }
    if (m_pPort || pid > 0)
        HangUpInBackground(std::move(m_pPort), pid, pidFd);
}

} // namespace ras
