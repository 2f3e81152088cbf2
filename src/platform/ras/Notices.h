#pragma once
// The service's own connection notices, the counterpart of the status
// windows a dial-up service shows: "Connected to <entry>" (with the time the
// connection has lasted and its speed) once a connection is up, and
// "Reestablish Connection" when a line drops without being hung up. They wait
// in a queue in the runtime folder, shared by the user's processes, until a
// reader hides or declines them, or their connection ends.

#include "platform/ras/RasTypes.h"

#include <QList>

namespace ras {

// Titles of the notices, as the service shows them.
inline const QString kConnectedTitle = QStringLiteral("Connected to ");
inline const QString kReestablishTitle = QStringLiteral("Reestablish Connection");

struct Notice
{
    enum Kind { Connected, Reestablish };
    QString strId; // given by the queue
    Kind kind = Connected;
    QString strTitle;
    QString strEntryName;
    bool bVisible = true;
    HRASCONN hConn = 0;
    qint64 nConnectedMs = 0; // Connected: the time counts from here
    QString strTimeText;     // fixed text; empty: counted from nConnectedMs
    QString strSpeedText;

    // "h:mm:ss" as the notice shows it at nowMs.
    QString TimeText(qint64 nowMs) const;
};

// Queues a notice and returns its id ("" when it cannot be written).
QString RaiseNotice(const Notice& notice);
// The queue, oldest first. Connected notices whose connection has gone are
// dropped on the way.
QList<Notice> ListNotices();
// Hides a notice; false when it is gone or already hidden.
bool HideNotice(const QString& id);
// Declines (closes) a notice; false when it is already gone.
bool DeclineNotice(const QString& id);
// Removes the notices of a connection that has ended.
void RemoveNoticesFor(HRASCONN h);
// Removes the offers to reestablish an entry (a new call of it starts).
void RemoveReestablishNotices(const QString& entry);

// Damaged notice files are ignored.
QByteArray SerialiseNotice(const Notice& notice);
bool ParseNotice(const QByteArray& bytes, Notice& notice);

// Blocks a thread until the queue changes or Wake is called, without using
// the processor meanwhile (inotify on the queue's folder, an eventfd to wake).
class CNoticeWaiter
{
public:
    CNoticeWaiter();
    ~CNoticeWaiter();
    CNoticeWaiter(const CNoticeWaiter&) = delete;
    CNoticeWaiter& operator=(const CNoticeWaiter&) = delete;

    bool IsValid() const { return m_fdWake >= 0; }
    // Returns after a change of the queue, a Wake, or timeoutMs (-1: none).
    // Changes that happen between two calls are not lost. Without
    // bWatchQueue only a Wake ends the wait: the folder watch is made when
    // first needed, since closing one costs every exit milliseconds.
    void Wait(int timeoutMs = -1, bool bWatchQueue = true);
    // Any thread.
    void Wake();

private:
    // True when a watch was made just now.
    bool Watch();

    int m_fdNotify = -1;
    int m_fdWake = -1;
    int m_nWatch = -1;
};

} // namespace ras
