#include "platform/ras/SerialPort.h"

#include "platform/ras/ServiceSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cstring>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace ras {

namespace {

// Realistic hang-up timings in milliseconds before the time scale is applied.
constexpr int kDtrDropMs = 1000;
constexpr int kGuardMs = 1000;
constexpr int kAnswerMs = 2000;
constexpr int kPppdTermMs = 5000;

int Scaled(int ms, int floorMs)
{
    return std::max(floorMs, int(std::min(1e9, ms * TimeScale())));
}

speed_t SpeedConstant(DWORD bps)
{
    static const std::pair<DWORD, speed_t> table[] = {
        {300, B300},         {600, B600},         {1200, B1200},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
        {230400, B230400},   {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
        {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {3000000, B3000000},
        {4000000, B4000000}};
    for (const auto& [n, c] : table)
        if (n == bps)
            return c;
    return B0;
}

qint64 ElapsedMs(const std::chrono::steady_clock::time_point& start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// The pid a lock file names: ten ASCII digits as UUCP writes them, or the
// four binary bytes of old programs. 0 when it names none.
qint64 LockOwner(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray bytes = f.read(64);
    bool ok = false;
    const qint64 pid = bytes.trimmed().toLongLong(&ok);
    if (ok)
        return pid > 0 && pid < (1 << 30) ? pid : 0;
    if (bytes.size() == 4) {
        qint32 bin = 0;
        memcpy(&bin, bytes.constData(), 4);
        return bin > 0 ? bin : 0;
    }
    return 0;
}

bool ProcessExists(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// Takes the UUCP lock: ERROR_SUCCESS with *owned set when we wrote it (or
// with *owned false when the folder cannot take locks), or
// ERROR_PORT_ALREADY_OPEN when a living process holds it.
DWORD TakeLock(const QString& lock, bool* owned)
{
    *owned = false;
    const QFileInfo folder(QFileInfo(lock).absolutePath());
    if (!folder.isDir() || ::access(QFile::encodeName(folder.absoluteFilePath()).constData(), W_OK) != 0)
        return ERROR_SUCCESS;
    const QByteArray content = QByteArray::number(qint64(::getpid())).rightJustified(10, ' ') + '\n';
    const QByteArray target = QFile::encodeName(lock);
    const QByteArray temp = QFile::encodeName(folder.absoluteFilePath() + QStringLiteral("/LTMP.%1").arg(::getpid()));
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Written aside and linked into place, so nobody reads half a lock.
        const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return ERROR_SUCCESS;
        const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
        ::close(fd);
        const int rc = written ? ::link(temp.constData(), target.constData()) : -1;
        const int err = errno;
        ::unlink(temp.constData());
        if (rc == 0) {
            *owned = true;
            return ERROR_SUCCESS;
        }
        if (!written || err != EEXIST)
            return ERROR_SUCCESS;
        if (ProcessExists(LockOwner(lock)))
            return ERROR_PORT_ALREADY_OPEN;
        // Left behind by a program that has gone.
        ::unlink(target.constData());
    }
    return ERROR_PORT_ALREADY_OPEN;
}

} // namespace

void SleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

QString UucpLockPath(const QString& device)
{
    QString path = QFileInfo(device).canonicalFilePath();
    if (path.isEmpty())
        path = device;
    if (path.startsWith(QLatin1String("/dev/")))
        path = path.mid(5);
    path.replace(QLatin1Char('/'), QLatin1Char('_'));
    return SerialLockFolder() + QStringLiteral("/LCK..") + path;
}

CSerialPort::~CSerialPort()
{
    Close();
}

DWORD CSerialPort::Open(const QString& device, DWORD speed)
{
    Close();
    const speed_t constant = SpeedConstant(speed);
    if (constant == B0)
        return ERROR_UNSUPPORTED_BPS;
    if (!QFileInfo::exists(device))
        return ERROR_DEVICENAME_NOT_FOUND;
    const QString lock = UucpLockPath(device);
    bool owned = false;
    if (DWORD rc = TakeLock(lock, &owned))
        return rc;
    if (owned)
        m_strLock = lock;
    m_strDevice = device;

    auto fail = [this](DWORD code) {
        Close();
        return code;
    };
    m_fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return fail(ERROR_DEVICENAME_NOT_FOUND);
        case EACCES:
        case EPERM:
            return fail(ERROR_PORT_NO_PERMISSION);
        case EBUSY:
            return fail(ERROR_PORT_ALREADY_OPEN);
        default:
            return fail(ERROR_PORT_NOT_AVAILABLE);
        }
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISCHR(st.st_mode) || !::isatty(m_fd))
        return fail(ERROR_PORT_NOT_AVAILABLE);
    // Programs that lock with flock see us too, and we see them.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
        return fail(errno == EWOULDBLOCK ? ERROR_PORT_ALREADY_OPEN : ERROR_PORT_NOT_AVAILABLE);
    ::ioctl(m_fd, TIOCEXCL);

    termios tio {};
    if (::tcgetattr(m_fd, &tio) != 0)
        return fail(ERROR_PORT_NOT_AVAILABLE);
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~tcflag_t(CSIZE | PARENB | CSTOPB);
    // CLOCAL while dialing: the carrier is not there yet; pppd watches it later.
    tio.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL | CRTSCTS;
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, constant);
    ::cfsetospeed(&tio, constant);
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0)
        return fail(ERROR_UNSUPPORTED_BPS);
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(m_fd, TIOCMBIS, &lines); // not on every device (a pseudo-terminal has none)
    ::tcflush(m_fd, TCIOFLUSH);
    return ERROR_SUCCESS;
}

bool CSerialPort::Write(const QByteArray& bytes, int timeoutMs)
{
    if (m_fd < 0)
        return false;
    const auto start = std::chrono::steady_clock::now();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        const qint64 left = timeoutMs - ElapsedMs(start);
        if (left <= 0)
            return false;
        pollfd p {m_fd, POLLOUT, 0};
        ::poll(&p, 1, int(std::min<qint64>(left, 100)));
    }
    return true;
}

bool CSerialPort::ReadAvailable(QByteArray& out, int maxBytes)
{
    if (m_fd < 0)
        return false;
    char buf[512];
    while (maxBytes > 0) {
        const ssize_t n = ::read(m_fd, buf, size_t(std::min<int>(sizeof buf, maxBytes)));
        if (n > 0) {
            out.append(buf, n);
            maxBytes -= int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return true;
        return false; // 0: hung up; EIO: the other side has gone
    }
    return true;
}

bool CSerialPort::WaitForLine(const QList<QByteArray>& wanted, int timeoutMs)
{
    if (m_fd < 0)
        return false;
    const auto start = std::chrono::steady_clock::now();
    QByteArray pending;
    for (;;) {
        const qint64 left = timeoutMs - ElapsedMs(start);
        if (left <= 0)
            return false;
        pollfd p {m_fd, POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0)
            continue;
        const int flags = ::fcntl(m_fd, F_GETFL);
        ::fcntl(m_fd, F_SETFL, flags | O_NONBLOCK);
        const bool alive = ReadAvailable(pending, 1024);
        ::fcntl(m_fd, F_SETFL, flags);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0 || (end = pending.indexOf('\r')) >= 0) {
            const QByteArray line = pending.left(end).trimmed().toUpper();
            pending.remove(0, end + 1);
            if (wanted.contains(line))
                return true;
        }
        if (pending.size() > 1024)
            pending.clear();
        if (!alive)
            return false;
    }
}

void CSerialPort::DropDtr(int ms)
{
    if (m_fd < 0)
        return;
    termios saved {};
    if (::tcgetattr(m_fd, &saved) != 0)
        return;
    termios down = saved;
    ::cfsetispeed(&down, B0);
    ::cfsetospeed(&down, B0);
    ::tcsetattr(m_fd, TCSANOW, &down);
    int dtr = TIOCM_DTR;
    ::ioctl(m_fd, TIOCMBIC, &dtr);
    SleepMs(ms);
    ::tcsetattr(m_fd, TCSANOW, &saved);
    ::ioctl(m_fd, TIOCMBIS, &dtr);
}

void CSerialPort::SetBlocking(bool blocking)
{
    if (m_fd < 0)
        return;
    const int flags = ::fcntl(m_fd, F_GETFL);
    ::fcntl(m_fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK);
}

void CSerialPort::Close()
{
    if (m_fd >= 0) {
        // Whatever is still queued for a modem that no longer listens would
        // hold close() for its drain time.
        ::tcflush(m_fd, TCIOFLUSH);
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_strLock.isEmpty()) {
        // Only our own lock: a stale one may have been taken over since.
        if (LockOwner(m_strLock) == ::getpid())
            QFile::remove(m_strLock);
        m_strLock.clear();
    }
}

namespace {

struct HangUpTimings
{
    int nDtrMs, nGuardMs, nAnswerMs, nTermMs;
};

void TerminatePppd(pid_t pid, int pidfd, int termMs)
{
    if (pid <= 0) {
        if (pidfd >= 0)
            ::close(pidfd);
        return;
    }
    ::kill(pid, SIGTERM);
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            break;
        const qint64 left = termMs - ElapsedMs(start);
        if (left <= 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        if (pidfd >= 0) {
            pollfd p {pidfd, POLLIN, 0};
            ::poll(&p, 1, int(std::min<qint64>(left, 1000)));
        } else {
            SleepMs(int(std::min<qint64>(left, 20)));
        }
    }
    if (pidfd >= 0)
        ::close(pidfd);
}

void HangUpLine(CSerialPort& port, const HangUpTimings& t)
{
    if (!port.IsOpen())
        return;
    port.SetBlocking(false);
    ::tcflush(port.Fd(), TCIOFLUSH);
    port.DropDtr(t.nDtrMs);
    // A modem set to ignore DTR is still on line: ask it.
    port.Write("AT\r", t.nAnswerMs);
    if (!port.WaitForLine({"OK"}, t.nAnswerMs)) {
        SleepMs(t.nGuardMs);
        port.Write("+++", t.nAnswerMs);
        SleepMs(t.nGuardMs);
        if (!port.WaitForLine({"OK"}, t.nAnswerMs)) {
            port.Close();
            return;
        }
    }
    port.Write("ATH0\r", t.nAnswerMs);
    port.WaitForLine({"OK", "NO CARRIER"}, t.nAnswerMs);
    port.Close();
}

class CHangUps
{
public:
    static CHangUps& Get()
    {
        static CHangUps s_hangUps;
        return s_hangUps;
    }
    ~CHangUps() { WaitAll(); }

    bool IsBusy(const QString& device)
    {
        std::lock_guard lock(m_mutex);
        for (const Worker& w : m_workers)
            if (!*w.pDone && w.strDevice == device)
                return true;
        return false;
    }

    void Add(const QString& device, std::function<void()> work)
    {
        std::lock_guard lock(m_mutex);
        // Finished ones are joined as new ones come, so a long session
        // does not collect threads.
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            if (*it->pDone) {
                it->thread.join();
                it = m_workers.erase(it);
            } else {
                ++it;
            }
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        m_workers.push_back({std::thread([work = std::move(work), done] {
                                 work();
                                 *done = true;
                             }),
                             done, device});
    }

    void WaitAll()
    {
        std::vector<Worker> workers;
        {
            std::lock_guard lock(m_mutex);
            workers.swap(m_workers);
        }
        for (Worker& w : workers)
            w.thread.join();
    }

private:
    struct Worker
    {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> pDone;
        QString strDevice;
    };
    std::mutex m_mutex;
    std::vector<Worker> m_workers;
};

} // namespace

void HangUpInBackground(std::unique_ptr<CSerialPort> port, qint64 pppdPid, int pppdPidFd)
{
    const HangUpTimings t {Scaled(kDtrDropMs, 20), Scaled(kGuardMs, 20), Scaled(kAnswerMs, 200),
                           Scaled(kPppdTermMs, 200)};
    const QString device = port ? UucpLockPath(port->Device()) : QString();
    std::shared_ptr<CSerialPort> shared(std::move(port));
    CHangUps::Get().Add(device, [shared, pppdPid, pppdPidFd, t] {
        TerminatePppd(pid_t(pppdPid), pppdPidFd, t.nTermMs);
        if (shared)
            HangUpLine(*shared, t);
    });
}

void WaitForBackgroundHangUps()
{
    CHangUps::Get().WaitAll();
}

bool IsHangingUp(const QString& device)
{
    return CHangUps::Get().IsBusy(UucpLockPath(device));
}

} // namespace ras
