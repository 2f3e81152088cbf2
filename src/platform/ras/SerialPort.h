#pragma once
// One serial line, held exclusively while a call uses it: a UUCP lock file
// (when the lock folder lets us write one), TIOCEXCL and an flock, raw mode
// at the entry's speed with hardware flow control and HUPCL, so the modem
// hangs up when the last holder closes the line.

#include "platform/ras/RasTypes.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace ras {

// "<lock folder>/LCK..ttyUSB0" for /dev/ttyUSB0 (symbolic links resolved,
// so every name of one device shares one lock).
QString UucpLockPath(const QString& device);

class CSerialPort
{
public:
    CSerialPort() = default;
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // ERROR_SUCCESS, ERROR_PORT_ALREADY_OPEN (held by another program),
    // ERROR_DEVICENAME_NOT_FOUND, ERROR_PORT_NO_PERMISSION,
    // ERROR_UNSUPPORTED_BPS or ERROR_PORT_NOT_AVAILABLE (not a terminal).
    DWORD Open(const QString& device, DWORD speed);
    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    const QString& Device() const { return m_strDevice; }

    // The whole of bytes, or false; waits at most timeoutMs for room.
    bool Write(const QByteArray& bytes, int timeoutMs = 1000);
    // Reads what is there (never blocks); appends to out. False on a hang-up
    // or error of the line.
    bool ReadAvailable(QByteArray& out, int maxBytes = 4096);
    // Waits up to timeoutMs for a whole line equal (ignoring case and blanks)
    // to one of wanted. Blocking; for the hang-up, which runs on its own thread.
    bool WaitForLine(const QList<QByteArray>& wanted, int timeoutMs);

    // Lowers DTR (speed 0) for ms milliseconds, then restores the line.
    void DropDtr(int ms);
    // pppd expects a blocking line.
    void SetBlocking(bool blocking);
    // Closes the line and removes our lock file.
    void Close();

private:
    int m_fd = -1;
    QString m_strDevice;
    QString m_strLock; // empty when no lock file is ours
};

// Ends what remains of a call on a thread of its own, so nobody waits for
// the modem: terminates pppd (SIGTERM, then SIGKILL after a while) when pid
// is set, drops DTR, then "+++" and ATH0 when the modem still answers, then
// closes the port and removes its lock. Every one is finished before the
// program ends.
void HangUpInBackground(std::unique_ptr<CSerialPort> port, qint64 pppdPid, int pppdPidFd);
// Waits for the hang-ups still running (tests; the end of the program).
void WaitForBackgroundHangUps();
// True while a hang-up of ours still holds the device (a redial waits).
bool IsHangingUp(const QString& device);

// Sleeps ms milliseconds (the hang-up's DTR drop and guard times).
void SleepMs(int ms);

} // namespace ras
