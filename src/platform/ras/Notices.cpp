#include "platform/ras/Notices.h"

#include "platform/ras/ConnectionRecords.h"
#include "platform/ras/ServiceSettings.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace ras {

namespace {

constexpr qint64 kMaxNoticeBytes = 4096;
QAtomicInteger<quint32> s_nSerial;

QString NoticePath(const QString& id)
{
    return NoticesFolder() + QLatin1Char('/') + id;
}

bool ValidId(const QString& id)
{
    return !id.isEmpty() && !id.contains(QLatin1Char('/')) && id.endsWith(QLatin1String(".notice"))
           && !id.startsWith(QLatin1Char('.'));
}

bool WriteNoticeFile(const QString& id, const Notice& n)
{
    QSaveFile f(NoticePath(id));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(SerialiseNotice(n));
    return f.commit();
}

} // namespace

QString Notice::TimeText(qint64 nowMs) const
{
    if (!strTimeText.isEmpty() || kind != Connected)
        return strTimeText;
    const qint64 secs = qMax<qint64>(0, (nowMs - nConnectedMs) / 1000);
    return QStringLiteral("%1:%2:%3")
        .arg(secs / 3600)
        .arg((secs / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(secs % 60, 2, 10, QLatin1Char('0'));
}

QByteArray SerialiseNotice(const Notice& n)
{
    QByteArray out;
    out += "Kind=" + QByteArray(n.kind == Notice::Connected ? "connected" : "reestablish") + '\n';
    out += "Title=" + n.strTitle.toUtf8() + '\n';
    out += "Entry=" + n.strEntryName.toUtf8() + '\n';
    out += "Visible=" + QByteArray(n.bVisible ? "1" : "0") + '\n';
    out += "Connection=" + QByteArray::number(n.hConn, 16) + '\n';
    out += "ConnectedAt=" + QByteArray::number(n.nConnectedMs) + '\n';
    out += "TimeText=" + n.strTimeText.toUtf8() + '\n';
    out += "SpeedText=" + n.strSpeedText.toUtf8() + '\n';
    return out;
}

bool ParseNotice(const QByteArray& bytes, Notice& n)
{
    if (bytes.size() > kMaxNoticeBytes)
        return false;
    const QString id = n.strId;
    n = Notice{};
    n.strId = id;
    bool haveKind = false;
    for (const QByteArray& line : bytes.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        if (key == "Kind") {
            if (value == "connected")
                n.kind = Notice::Connected;
            else if (value == "reestablish")
                n.kind = Notice::Reestablish;
            else
                return false;
            haveKind = true;
        } else if (key == "Title") {
            n.strTitle = QString::fromUtf8(value).left(300);
        } else if (key == "Entry") {
            n.strEntryName = QString::fromUtf8(value).left(RAS_MaxEntryName);
        } else if (key == "Visible") {
            n.bVisible = value != "0";
        } else if (key == "Connection") {
            n.hConn = value.toULongLong(nullptr, 16);
        } else if (key == "ConnectedAt") {
            n.nConnectedMs = value.toLongLong();
        } else if (key == "TimeText") {
            n.strTimeText = QString::fromUtf8(value).left(80);
        } else if (key == "SpeedText") {
            n.strSpeedText = QString::fromUtf8(value).left(80);
        }
    }
    return haveKind;
}

QString RaiseNotice(const Notice& notice)
{
    if (!MakePrivateFolder(NoticesFolder()))
        return QString();
    // Names sort in the order the notices were raised.
    const QString id = QStringLiteral("%1-%2-%3.notice")
                           .arg(QDateTime::currentMSecsSinceEpoch(), 14, 10, QLatin1Char('0'))
                           .arg(QCoreApplication::applicationPid())
                           .arg(s_nSerial.fetchAndAddRelaxed(1), 6, 10, QLatin1Char('0'));
    Notice n = notice;
    n.strId = id;
    return WriteNoticeFile(id, n) ? id : QString();
}

QList<Notice> ListNotices()
{
    QList<Notice> out;
    const QDir dir(NoticesFolder());
    const QStringList files = dir.entryList({QStringLiteral("*.notice")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        Notice n;
        n.strId = name;
        if (!ParseNotice(f.read(kMaxNoticeBytes + 1), n))
            continue;
        if (n.kind == Notice::Connected && n.hConn && !ReadRecord(n.hConn)) {
            QFile::remove(dir.filePath(name));
            continue;
        }
        out.append(n);
    }
    return out;
}

bool HideNotice(const QString& id)
{
    if (!ValidId(id))
        return false;
    QFile f(NoticePath(id));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    Notice n;
    n.strId = id;
    if (!ParseNotice(f.read(kMaxNoticeBytes + 1), n) || !n.bVisible)
        return false;
    f.close();
    n.bVisible = false;
    return WriteNoticeFile(id, n);
}

bool DeclineNotice(const QString& id)
{
    return ValidId(id) && QFile::remove(NoticePath(id));
}

namespace {

// Removes every queued notice the predicate picks.
template <typename Pick>
void RemoveNotices(Pick pick)
{
    const QDir dir(NoticesFolder());
    const QStringList files = dir.entryList({QStringLiteral("*.notice")}, QDir::Files);
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        Notice n;
        const bool remove = ParseNotice(f.read(kMaxNoticeBytes + 1), n) && pick(n);
        f.close();
        if (remove)
            QFile::remove(dir.filePath(name));
    }
}

} // namespace

void RemoveNoticesFor(HRASCONN h)
{
    if (!h)
        return;
    RemoveNotices([h](const Notice& n) { return n.kind == Notice::Connected && n.hConn == h; });
}

void RemoveReestablishNotices(const QString& entry)
{
    RemoveNotices([&entry](const Notice& n) {
        return n.kind == Notice::Reestablish && n.strEntryName.compare(entry, Qt::CaseInsensitive) == 0;
    });
}

CNoticeWaiter::CNoticeWaiter()
{
    m_fdWake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CNoticeWaiter::~CNoticeWaiter()
{
    if (m_fdNotify >= 0)
        ::close(m_fdNotify);
    if (m_fdWake >= 0)
        ::close(m_fdWake);
}

bool CNoticeWaiter::Watch()
{
    if (m_fdNotify < 0)
        m_fdNotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_fdNotify < 0 || m_nWatch >= 0)
        return false;
    MakePrivateFolder(NoticesFolder());
    m_nWatch = ::inotify_add_watch(m_fdNotify, QFile::encodeName(NoticesFolder()).constData(),
                                   IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE | IN_DELETE_SELF
                                       | IN_MOVE_SELF | IN_ONLYDIR);
    return m_nWatch >= 0;
}

void CNoticeWaiter::Wait(int timeoutMs, bool bWatchQueue)
{
    if (bWatchQueue) {
        // A notice that came before the watch was in place would go unseen:
        // the caller looks at the queue once more first.
        if (Watch())
            return;
        // Without a watch on the folder (it could not be made, or was
        // removed), look again now and then rather than sleep for ever.
        if (m_nWatch < 0 && (timeoutMs < 0 || timeoutMs > 1000))
            timeoutMs = 1000;
    }
    const bool watching = bWatchQueue && m_fdNotify >= 0;
    pollfd fds[2] = {{m_fdWake, POLLIN, 0}, {m_fdNotify, POLLIN, 0}};
    int rc;
    do {
        rc = ::poll(fds, watching ? 2 : 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc <= 0)
        return;
    if (fds[0].revents & POLLIN) {
        quint64 count = 0;
        [[maybe_unused]] ssize_t n = ::read(m_fdWake, &count, sizeof count);
    }
    if (watching && (fds[1].revents & POLLIN)) {
        alignas(inotify_event) char buffer[4096];
        ssize_t n;
        while ((n = ::read(m_fdNotify, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* ev = reinterpret_cast<const inotify_event*>(p);
                if (ev->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF))
                    m_nWatch = -1;
                p += sizeof(inotify_event) + ev->len;
            }
        }
    }
}

void CNoticeWaiter::Wake()
{
    if (m_fdWake < 0)
        return;
    const quint64 one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_fdWake, &one, sizeof one);
}

} // namespace ras
