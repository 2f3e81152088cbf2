#include "SingleInstance.h"

#include "platform/runtime/RuntimeFolder.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool MakeAddress(const QString& path, sockaddr_un& addr)
{
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || size_t(native.size()) >= sizeof addr.sun_path)
        return false;
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, native.constData(), size_t(native.size()));
    return true;
}

// Waits for the socket to become ready for events; false on timeout or error.
bool Wait(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, int(qMin<qint64>(deadline.remainingTime(), INT_MAX)));
        if (rc > 0)
            return (p.revents & events) != 0;
        if (rc == 0 || errno != EINTR)
            return false;
    }
}

// A connected socket to the instance at path, or -1 when nobody answers there
// within ms.
int ConnectTo(const QString& path, int ms)
{
    sockaddr_un addr;
    if (!MakeAddress(path, addr))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
        return fd;
    // A listener whose queue is full refuses with EAGAIN: try again until the
    // time is up, as it may be busy starting.
    const QDeadlineTimer deadline(ms);
    while (errno == EAGAIN && !deadline.hasExpired()) {
        ::usleep(10000);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
            return fd;
    }
    if (errno == EINPROGRESS && Wait(fd, POLLOUT, deadline)) {
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0)
            return fd;
    }
    ::close(fd);
    return -1;
}

bool WriteAll(int fd, const QByteArray& data, const QDeadlineTimer& deadline)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + done, size_t(data.size() - done), MSG_NOSIGNAL);
        if (n > 0)
            done += n;
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && errno == EAGAIN && Wait(fd, POLLOUT, deadline))
            continue;
        else
            return false;
    }
    return true;
}

} // namespace

CSingleInstance::CSingleInstance(QObject* parent) : QObject(parent) {}

CSingleInstance::~CSingleInstance()
{
    Close();
}

QString CSingleInstance::ServerPath(QString* why)
{
    const QString dir = platform::RuntimeFolder(why);
    return dir.isEmpty() ? QString() : dir + "/Dialtop.instance";
}

bool CSingleInstance::HandOver(const QString& fileToOpen, int connectMs, int answerMs)
{
    const QString path = ServerPath();
    if (path.isEmpty())
        return false;
    const int fd = ConnectTo(path, connectMs);
    if (fd < 0)
        return false;
    QJsonObject msg;
    msg["open"] = fileToOpen;
    const QDeadlineTimer deadline(answerMs);
    bool ok = WriteAll(fd, QJsonDocument(msg).toJson(QJsonDocument::Compact) + "\n", deadline);
    // The first instance answers once it has the request.
    QByteArray answer;
    while (ok && !answer.contains('\n') && answer.size() < 16) {
        char buf[16];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n > 0)
            answer.append(buf, n);
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && errno == EAGAIN)
            ok = Wait(fd, POLLIN, deadline);
        else
            ok = false;
    }
    ::close(fd);
    return answer.startsWith("ok\n");
}

bool CSingleInstance::Listen()
{
    Close();
    m_strError.clear();
    const QString path = ServerPath(&m_strError);
    if (path.isEmpty())
        return false;
    sockaddr_un addr;
    if (!MakeAddress(path, addr)) {
        m_strError = path + ": " + QString::fromLocal8Bit(std::strerror(ENAMETOOLONG));
        return false;
    }
    // Someone answering on the socket is a running instance: never take its
    // place. A socket nobody answers was left by one that died.
    if (const int probe = ConnectTo(path, 500); probe >= 0) {
        ::close(probe);
        return false;
    }
    ::unlink(addr.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0
        || ::chmod(addr.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 16) != 0) {
        m_strError = path + ": " + QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_nListenFd = fd;
    m_strPath = path;
    m_pNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CSingleInstance::OnNewConnection);
    return true;
}

void CSingleInstance::OnNewConnection()
{
    for (;;) {
        const int client = ::accept4(m_nListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            return;
        // Each request is read as it arrives, never waited for: a start that
        // connects and says nothing must not hang this window.
        // The descriptor ends with its notifier, also when this object goes
        // first; the request buffer with the handler that holds it.
        auto* notifier = new QSocketNotifier(client, QSocketNotifier::Read, this);
        connect(notifier, &QObject::destroyed, [client] { ::close(client); });
        auto finish = [notifier] {
            notifier->setEnabled(false);
            notifier->deleteLater();
        };
        connect(notifier, &QSocketNotifier::activated, this,
                [this, request = std::make_shared<QByteArray>(), client, finish] {
            char buf[4096];
            const ssize_t n = ::recv(client, buf, sizeof buf, 0);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            if (n <= 0 || request->size() + n > kMaxRequest) {
                finish();
                return;
            }
            request->append(buf, n);
            const qsizetype end = request->indexOf('\n');
            if (end < 0)
                return;
            const QJsonObject msg = QJsonDocument::fromJson(request->left(end)).object();
            ::send(client, "ok\n", 3, MSG_NOSIGNAL);
            finish();
            emit activateRequested(msg.value("open").toString());
        });
    }
}

void CSingleInstance::Close()
{
    delete m_pNotifier;
    m_pNotifier = nullptr;
    if (m_nListenFd >= 0) {
        ::close(m_nListenFd);
        m_nListenFd = -1;
        QFile::remove(m_strPath);
    }
}
