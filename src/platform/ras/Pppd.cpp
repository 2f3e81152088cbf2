#include "platform/ras/Pppd.h"

#include "platform/ras/SerialModem.h"
#include "platform/ras/SerialPort.h"
#include "platform/ras/ServiceSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ras {

namespace {

constexpr int kMaxLogLine = 1024;

// A descriptor moved out of the range 0..4 that the child's are placed in,
// so placing one never overwrites another.
int HighFd(int fd)
{
    if (fd < 0)
        return -1;
    const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
    ::close(fd);
    return high;
}

} // namespace

bool ValidatePppdOptions(const QString& options, QString* pBad)
{
    static const QStringList refused = {
        // secrets and code
        QStringLiteral("password"), QStringLiteral("passwordfd"), QStringLiteral("plugin"),
        // programs run by pppd, other lines
        QStringLiteral("connect"), QStringLiteral("disconnect"), QStringLiteral("init"), QStringLiteral("welcome"),
        QStringLiteral("pty"), QStringLiteral("socket"), QStringLiteral("notty"), QStringLiteral("record"),
        // options files, our log and our hold on the process
        QStringLiteral("file"), QStringLiteral("call"), QStringLiteral("logfd"), QStringLiteral("logfile"),
        QStringLiteral("detach"), QStringLiteral("updetach"), QStringLiteral("nodetach")};
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    auto bad = [pBad](const QString& word) {
        if (pBad)
            *pBad = word;
        return false;
    };
    if (options.size() > RAS_MaxPppdOptions)
        return bad(options.left(20));
    for (QChar c : options)
        if (c.category() == QChar::Other_Control && c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            return bad(QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')));
    for (const QString& word : options.split(blanks, Qt::SkipEmptyParts)) {
        const QString lower = word.toLower();
        // A word starting with a slash is a device or a file to pppd.
        if (refused.contains(lower) || lower.startsWith(QLatin1String("password")) || word.startsWith(QLatin1Char('/'))
            || lower.startsWith(QLatin1String("tty")))
            return bad(word);
    }
    return true;
}

QStringList PppdArguments(const QString& peersPath, const QString& userName, const QString& authentication,
                          const QString& extraOptions)
{
    QStringList args;
    // Files of /etc/ppp/peers are privileged only when called by name.
    const QFileInfo peers(peersPath);
    if (peers.absolutePath() == QLatin1String("/etc/ppp/peers"))
        args << QStringLiteral("call") << peers.fileName();
    else
        args << QStringLiteral("file") << peersPath;
    args << QStringLiteral("nodetach") << QStringLiteral("logfd") << QString::number(kPppdLogFd);
    if (!userName.isEmpty())
        args << QStringLiteral("user") << userName;
    args << QStringLiteral("passwordfd") << QString::number(kPppdPasswordFd);
    if (authentication.compare(QLatin1String("pap"), Qt::CaseInsensitive) == 0)
        args << QStringLiteral("refuse-chap") << QStringLiteral("refuse-mschap") << QStringLiteral("refuse-mschap-v2")
             << QStringLiteral("refuse-eap");
    else if (authentication.compare(QLatin1String("chap"), Qt::CaseInsensitive) == 0)
        args << QStringLiteral("refuse-pap");
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    args << extraOptions.split(blanks, Qt::SkipEmptyParts);
    return args;
}

DWORD PppdExitError(int exitCode, bool bLinkUp)
{
    switch (exitCode) {
    case 0: return ERROR_REMOTE_DISCONNECTION;
    case 2: return ERROR_PPPD_OPTIONS;
    case 3: return ERROR_PPPD_NO_PERMISSION;
    case 4: return ERROR_PPP_NO_KERNEL_SUPPORT;
    case 5: return ERROR_USER_DISCONNECTION;
    case 6: return ERROR_PORT_ALREADY_OPEN;
    case 7: return ERROR_PORT_NOT_AVAILABLE;
    case 10: return ERROR_PPP_NO_PROTOCOLS_CONFIGURED;
    case 12:
    case 13:
    case 20: return ERROR_DISCONNECTION;
    case 15: return bLinkUp ? ERROR_PORT_NOT_CONNECTED : ERROR_PPP_TIMEOUT;
    case 16: return ERROR_PORT_NOT_CONNECTED;
    case 17: return ERROR_PPP_LOOPBACK_DETECTED;
    case 19: return ERROR_AUTHENTICATION_FAILURE;
    default: return bLinkUp ? ERROR_PORT_NOT_CONNECTED : ERROR_PPPD_FAILED;
    }
}

PppdLogEvent ParsePppdLogLine(const QByteArray& raw)
{
    const QByteArray line = raw.trimmed();
    auto address = [&](qsizetype prefix, PppdLogEvent::Kind kind) {
        // Taken only when it is an address, and written back in the usual form.
        const QByteArray text = line.mid(prefix).trimmed().left(64);
        unsigned char bytes[16];
        char out[INET6_ADDRSTRLEN];
        for (int family : {AF_INET, AF_INET6})
            if (inet_pton(family, text.constData(), bytes) == 1 && inet_ntop(family, bytes, out, sizeof out))
                return PppdLogEvent{kind, QString::fromLatin1(out)};
        return PppdLogEvent{};
    };
    // "local  IP address" has two blanks in pppd's own log.
    if (line.startsWith("local  IP address "))
        return address(18, PppdLogEvent::LocalAddress);
    if (line.startsWith("remote IP address "))
        return address(18, PppdLogEvent::RemoteAddress);
    if (line.startsWith("primary   DNS address ") || line.startsWith("secondary DNS address "))
        return address(22, PppdLogEvent::DnsAddress);
    if (line.startsWith("Connect: "))
        return {PppdLogEvent::LinkStarted, {}};
    if (line.endsWith(" authentication succeeded"))
        return {PppdLogEvent::AuthSucceeded, {}};
    if (line.endsWith(" authentication failed"))
        return {PppdLogEvent::AuthFailed, {}};
    if (line == "Modem hangup")
        return {PppdLogEvent::ModemHangUp, {}};
    return {};
}

QByteArray PeersFileText()
{
    return "# Installed by \"dialtop-dial setup-pppd\" for lines that Dialtop has dialled\n"
           "# itself: pppd runs on the open line (no device name), Dialtop hands it the\n"
           "# password through a pipe, and the provider is not asked to authenticate.\n"
           "plugin passwordfd.so\n"
           "noauth\n"
           "modem\n"
           "crtscts\n"
           "noipdefault\n"
           "defaultroute\n"
           "usepeerdns\n"
           "hide-password\n";
}

bool InstallPeersFile(const QString& path, QString* pError)
{
    auto fail = [pError](const QString& why) {
        if (pError)
            *pError = why;
        return false;
    };
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.isDir())
        return fail(QStringLiteral("%1 does not exist: install ppp first (apt-get install ppp).")
                        .arg(folder.absoluteFilePath()));
    const QByteArray text = PeersFileText();
    QSaveFile out(path);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        return fail(QStringLiteral("%1 cannot be written: %2").arg(path, out.errorString()));
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                       | QFileDevice::ReadOther);
    if (!out.commit())
        return fail(QStringLiteral("%1 cannot be written: %2").arg(path, out.errorString()));
    if (::geteuid() == 0)
        [[maybe_unused]] int rc = ::chown(QFile::encodeName(path).constData(), 0, 0);
    return true;
}

CPppdLink::~CPppdLink()
{
    // Notifiers go before their descriptors.
    qDeleteAll(findChildren<QSocketNotifier*>());
    if (m_fdLog >= 0)
        ::close(m_fdLog);
    // Nobody took it over: it must not outlive us as an orphan.
    if (m_nPid > 0)
        HangUpInBackground(nullptr, m_nPid, m_fdPid);
    else if (m_fdPid >= 0)
        ::close(m_fdPid);
}

DWORD CPppdLink::Start(const Request& r)
{
    const QFileInfo program(r.strProgram);
    if (!program.exists())
        return ERROR_PPPD_NOT_INSTALLED;
    if (!QFileInfo(r.strPeersPath).isFile())
        return ERROR_PPPD_NOT_SET_UP;
    if (!program.isExecutable())
        return ERROR_PPPD_NO_PERMISSION;

    int logPipe[2], passwordPipe[2];
    if (::pipe2(logPipe, O_CLOEXEC) != 0)
        return ERROR_PPPD_FAILED;
    if (::pipe2(passwordPipe, O_CLOEXEC) != 0) {
        ::close(logPipe[0]);
        ::close(logPipe[1]);
        return ERROR_PPPD_FAILED;
    }
    // The password never touches argv or a file: it waits in the pipe, whose
    // writing end is closed so pppd reads it to the end at once.
    const QByteArray password = r.strPassword.toUtf8();
    const bool written = password.isEmpty()
                         || ::write(passwordPipe[1], password.constData(), size_t(password.size())) == password.size();
    ::close(passwordPipe[1]);
    const int logWrite = HighFd(logPipe[1]);
    const int passwordRead = HighFd(passwordPipe[0]);
    const int line = ::fcntl(r.nLineFd, F_DUPFD_CLOEXEC, 10);
    m_fdLog = logPipe[0];
    ::fcntl(m_fdLog, F_SETFL, ::fcntl(m_fdLog, F_GETFL) | O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, line, 0);
    posix_spawn_file_actions_adddup2(&actions, line, 1);
    posix_spawn_file_actions_adddup2(&actions, logWrite, 2);
    posix_spawn_file_actions_adddup2(&actions, logWrite, kPppdLogFd);
    posix_spawn_file_actions_adddup2(&actions, passwordRead, kPppdPasswordFd);
    // Nothing else of ours (sockets, other lines, the display) goes with it.
    posix_spawn_file_actions_addclosefrom_np(&actions, kPppdPasswordFd + 1);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own process group: an interrupt at our terminal is ours to handle,
    // in order (pppd first, then the modem).
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t defaults;
    sigfillset(&defaults);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const QByteArray programPath = QFile::encodeName(r.strProgram);
    QList<QByteArray> storage{programPath};
    for (const QString& a : PppdArguments(r.strPeersPath, r.strUserName, r.strAuthentication, r.strOptions))
        storage.append(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int rc = written && line >= 0 && logWrite >= 0 && passwordRead >= 0
                       ? ::posix_spawn(&pid, programPath.constData(), &actions, &attr, argv.data(), environ)
                       : EIO;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    for (int fd : {line, logWrite, passwordRead})
        if (fd >= 0)
            ::close(fd);
    if (rc != 0) {
        ::close(m_fdLog);
        m_fdLog = -1;
        if (rc == ENOENT)
            return ERROR_PPPD_NOT_INSTALLED;
        if (rc == EACCES || rc == EPERM)
            return ERROR_PPPD_NO_PERMISSION;
        return ERROR_PPPD_FAILED;
    }
    m_nPid = pid;

    m_pLogNotifier = new QSocketNotifier(m_fdLog, QSocketNotifier::Read, this);
    connect(m_pLogNotifier, &QSocketNotifier::activated, this, &CPppdLink::OnLogReadable);
    m_fdPid = int(::syscall(SYS_pidfd_open, pid, 0));
    if (m_fdPid >= 0) {
        m_pPidNotifier = new QSocketNotifier(m_fdPid, QSocketNotifier::Read, this);
        connect(m_pPidNotifier, &QSocketNotifier::activated, this, &CPppdLink::CheckExit);
    } else {
        m_pPollTimer = new QTimer(this);
        connect(m_pPollTimer, &QTimer::timeout, this, &CPppdLink::CheckExit);
        m_pPollTimer->start(50);
    }
    return ERROR_SUCCESS;
}

void CPppdLink::OnLogReadable()
{
    if (m_fdLog < 0)
        return;
    char buf[1024];
    for (int rounds = 0; rounds < 64; ++rounds) {
        const ssize_t n = ::read(m_fdLog, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0 || errno != EAGAIN) {
                // Closed: every writer has gone. The descriptor closes with
                // us, after its notifier.
                DropNotifier(m_pLogNotifier);
            }
            break;
        }
        m_logBuffer.append(buf, n);
        qsizetype end;
        while ((end = m_logBuffer.indexOf('\n')) >= 0) {
            QByteArray text = m_logBuffer.left(qMin<qsizetype>(end, kMaxLogLine));
            m_logBuffer.remove(0, end + 1);
            if (onLogLine)
                onLogLine(text);
        }
        // A line without end is cut, never grown without bound.
        if (m_logBuffer.size() > kMaxLogLine)
            m_logBuffer.clear();
    }
}

void CPppdLink::CheckExit()
{
    if (m_nPid <= 0)
        return;
    int status = 0;
    const pid_t r = ::waitpid(pid_t(m_nPid), &status, WNOHANG);
    if (r == 0)
        return;
    m_nPid = 0;
    DropNotifier(m_pPidNotifier);
    if (m_fdPid >= 0) {
        ::close(m_fdPid);
        m_fdPid = -1;
    }
    if (m_pPollTimer)
        m_pPollTimer->stop();
    // What pppd wrote before it ended is read before its end is told.
    OnLogReadable();
    const int code = r < 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (onExit)
        onExit(code);
}

void CPppdLink::Release(qint64* pid, int* pidFd)
{
    *pid = m_nPid;
    *pidFd = m_fdPid;
    m_nPid = 0;
    m_fdPid = -1;
    DropNotifier(m_pPidNotifier);
    DropNotifier(m_pLogNotifier);
    if (m_pPollTimer)
        m_pPollTimer->stop();
    onLogLine = nullptr;
    onExit = nullptr;
}

} // namespace ras
