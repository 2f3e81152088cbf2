#pragma once
// The serial modem backend: an analog or cellular modem on a serial port
// (or any terminal device), dialled with Hayes AT commands by our own code;
// on CONNECT the entry's login script (if any) runs on the line, then pppd
// takes the open line and brings the IP link up. Progress, results and a
// dropped line reach the sink exactly as from the simulated modem.

#include "platform/ras/DialBackend.h"
#include "platform/ras/LoginScript.h"

#include <QTimer>
#include <memory>

class QSocketNotifier;

namespace ras {

class CSerialPort;
class CPppdLink;

// Stops a notifier and deletes it once its signal has returned; null after.
void DropNotifier(QSocketNotifier*& notifier);

// One whole line from the modem, matched ignoring case and outer blanks.
struct ModemReply
{
    enum Kind { Other, Ok, Error, Connect, Carrier, Busy, NoAnswer, NoCarrier, NoDialTone, Voice, Delayed, Blacklisted };
    Kind kind = Other;
    DWORD dwSpeed = 0; // Connect, Carrier: the speed given, 0 when none
};
ModemReply ParseModemReply(const QByteArray& line);

// The service's code for a reply that ends a dial command (0 for the
// others).
DWORD DialReplyError(ModemReply::Kind kind);

// "ATDT5550100\r" (or ATDP) for a number; empty for a number a modem
// cannot dial. Blanks, dashes, dots and brackets are left out.
QByteArray DialCommand(const QString& number, bool bPulse);

class CSerialModemBackend : public CDialBackend
{
    Q_OBJECT
public:
    CSerialModemBackend();
    ~CSerialModemBackend() override;
    void Start(const DialRequest& request, CDialSink* sink) override;
    void HangUp() override;

private:
    enum Phase { Idle, Reset, Init, Dialing, Script, Pppd, Up, Ended };

    void Begin();
    void Post(unsigned state);
    void Send(const QByteArray& command, int timeoutMs);
    void OnReadable();
    void OnLine(const QByteArray& line);
    void OnTimeout();
    void AfterReset();
    void StartDial();
    void OnConnect(DWORD speed);
    void RunScript();
    void StartPppd();
    void OnPppdLine(const QByteArray& line);
    void OnPppdExit(int exitCode);
    void Finish(DWORD error, bool bDropped);
    void ReleaseLine();

    DialRequest m_req;
    CDialSink* m_pSink = nullptr;
    Phase m_phase = Idle;
    std::unique_ptr<CSerialPort> m_pPort;
    QSocketNotifier* m_pNotifier = nullptr;
    QTimer m_timer;
    QByteArray m_buffer;
    unsigned m_nLastState = 0;
    int m_nPortWaits = 0;
    bool m_bPosted = false;
    DWORD m_dwCarrier = 0;
    DWORD m_dwSpeed = 0;
    QList<ScriptStep> m_script;
    int m_nScriptStep = 0;
    int m_nScriptTimeoutMs = 0;
    QString m_strSeen;
    CPppdLink* m_pPppd = nullptr;
    bool m_bAuthFailed = false;
    QString m_strServer;
    QStringList m_dns;
};

} // namespace ras
