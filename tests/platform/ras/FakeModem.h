#pragma once
// A Hayes modem on a pseudo-terminal: echoes and answers AT commands,
// scripts the dial reply, and records what it sees ("ATZ", "dtr-drop", "+++").

#include <QMutex>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

class CFakeModem
{
public:
    CFakeModem()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(m_master), ::unlockpt(m_master);
        m_path = QString::fromLocal8Bit(::ptsname(m_master));
        // Kept open so the line outlives the dialer's close; DTR is read here.
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t {};
        ::tcgetattr(m_slave, &t), ::cfmakeraw(&t), ::tcsetattr(m_slave, TCSANOW, &t);
        m_thread = std::thread([this] { Run(); });
    }
    ~CFakeModem()
    {
        m_stop = true, m_thread.join();
        ::close(m_master), ::close(m_slave);
    }

    QString Path() const { return m_path; }
    int SlaveFd() const { return m_slave; }
    // Lines sent ms after ATD ("" : silence).
    void SetDialReply(const QByteArray& lines, int ms = 0) { QMutexLocker l(&m_mutex); m_dialReply = lines, m_nDialDelayMs = ms; }
    // A command (upper case, as sent) answered with ERROR.
    void SetErrorFor(const QByteArray& command) { QMutexLocker l(&m_mutex); m_errorFor = command; }
    // The carrier goes: the master side closes.
    void LoseCarrier() { m_loseCarrier = true; }
    QStringList Events() const { QMutexLocker l(&m_mutex); return m_events; }

private:
    void Event(const QString& e) { QMutexLocker l(&m_mutex); m_events.append(e); }
    void Send(const QByteArray& bytes)
    {
        if (m_master >= 0)
            [[maybe_unused]] ssize_t n = ::write(m_master, bytes.constData(), size_t(bytes.size()));
    }

    void Run()
    {
        using Clock = std::chrono::steady_clock;
        QByteArray line;
        bool online = false, dtrLow = false, replyPending = false;
        Clock::time_point replyAt;
        while (!m_stop) {
            if (m_loseCarrier && m_master >= 0)
                ::close(std::exchange(m_master, -1)), Event(QStringLiteral("carrier-lost"));
            if (m_master < 0) {
                QThread::msleep(5);
                continue;
            }
            termios t {};
            const bool low = ::tcgetattr(m_slave, &t) == 0 && ::cfgetospeed(&t) == B0;
            if (low && !dtrLow)
                Event(QStringLiteral("dtr-drop")), online = replyPending = false, line.clear();
            dtrLow = low;
            if (replyPending && Clock::now() >= replyAt) {
                replyPending = false;
                QMutexLocker lock(&m_mutex);
                Send(m_dialReply);
                online = m_dialReply.contains("CONNECT");
            }
            pollfd p {m_master, POLLIN, 0};
            if (::poll(&p, 1, 1) <= 0 || !(p.revents & POLLIN))
                continue;
            char buf[512];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) {
                const char c = buf[i];
                if (online) {
                    // Data for the far end, unless it is the escape.
                    line += c;
                    if (line.endsWith("+++"))
                        Event(QStringLiteral("+++")), online = false, line.clear(), Send("\r\nOK\r\n");
                    if (line.size() > 64)
                        line = line.right(3);
                    continue;
                }
                if (c != '\r') {
                    line += c;
                    continue;
                }
                const QByteArray cmd = line.trimmed().toUpper();
                line.clear();
                if (!cmd.startsWith("AT"))
                    continue;
                Event(QString::fromLatin1(cmd));
                Send(cmd + "\r");
                QMutexLocker lock(&m_mutex);
                if (!m_errorFor.isEmpty() && cmd == m_errorFor) {
                    Send("\r\nERROR\r\n");
                } else if (cmd.startsWith("ATD")) {
                    replyPending = !m_dialReply.isEmpty();
                    replyAt = Clock::now() + std::chrono::milliseconds(m_nDialDelayMs);
                } else {
                    Send("\r\nOK\r\n");
                }
            }
        }
    }

    int m_master = -1, m_slave = -1;
    QString m_path;
    std::thread m_thread;
    std::atomic<bool> m_stop {false};
    std::atomic<bool> m_loseCarrier {false};
    mutable QMutex m_mutex;
    QStringList m_events;
    QByteArray m_dialReply = "\r\nCONNECT 33600\r\n";
    int m_nDialDelayMs = 0;
    QByteArray m_errorFor;
};
