#include "platform/ras/RasService.h"

#include "platform/base/FileLock.h"
#include "platform/ras/ConnectionRecords.h"
#include "platform/ras/DialBackend.h"
#include "platform/ras/Notices.h"
#include "platform/ras/ServiceSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemWatcher>
#include <QPointer>
#include <QRandomGenerator>
#include <QThread>

#include <map>

namespace ras {

namespace {

qint64 NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

// How long a hang-up of another process's connection is waited for.
constexpr int kRemoteHangUpWaitMs = 3000;

// One connection this process holds: its backend and its record.
class CLocalConnection : public QObject, public CDialSink
{
public:
    CLocalConnection(const RasConn& rec, std::unique_ptr<CDialBackend> backend, DialNotify notify)
        : m_rec(rec), m_pBackend(backend.release()), m_notify(std::move(notify))
    {
        m_pBackend->setParent(this);
        m_nHolderStart = ProcessStartTicks(rec.nHolderPid);
    }

    bool Publish() { return WriteRecord(m_rec, m_nHolderStart); }
    CDialBackend* Backend() const { return m_pBackend; }
    const RasConn& Record() const { return m_rec; }

    // Stops the line; nothing more is reported.
    void End()
    {
        m_bEnded = true;
        m_pBackend->HangUp();
        RemoveRecord(m_rec.hrasconn);
        RemoveNoticesFor(m_rec.hrasconn);
    }

    void Notify(unsigned state, DWORD error)
    {
        // The callee may hang up and delete this; copy first.
        DialNotify notify = m_notify;
        if (notify)
            notify(state, error);
    }

    void OnDialState(unsigned state) override
    {
        if (m_bEnded)
            return;
        m_rec.rasconnstate = state;
        Publish();
        Notify(state, 0);
    }

    void OnDialConnected(DWORD dwSpeed, const QString& strIpAddress) override
    {
        if (m_bEnded)
            return;
        m_rec.rasconnstate = RASCS_Connected;
        m_rec.dwSpeed = dwSpeed;
        m_rec.strIpAddress = strIpAddress;
        m_rec.nConnectedMs = NowMs();
        Publish();
        Notice n;
        n.kind = Notice::Connected;
        n.strTitle = kConnectedTitle + m_rec.strEntryName;
        n.strEntryName = m_rec.strEntryName;
        n.hConn = m_rec.hrasconn;
        n.nConnectedMs = m_rec.nConnectedMs;
        n.strSpeedText = QStringLiteral("%1 bps").arg(dwSpeed);
        RaiseNotice(n);
        Notify(RASCS_Connected, 0);
    }

    void OnDialFailed(DWORD dwError) override
    {
        if (m_bEnded)
            return;
        m_rec.rasconnstate = RASCS_Disconnected;
        m_rec.dwError = dwError;
        Publish();
        Notify(RASCS_Disconnected, dwError);
    }

    void OnDeviceMessage(const QString& strText) override { m_strDeviceMessage = strText.left(256); }

    void OnLinkDetails(const QString& strServerIpAddress, const QStringList& dnsServers) override
    {
        m_strServerIpAddress = strServerIpAddress;
        m_dnsServers = dnsServers;
    }

    const QString& DeviceMessage() const { return m_strDeviceMessage; }
    const QString& ServerIpAddress() const { return m_strServerIpAddress; }

    void OnLineDropped(DWORD dwError) override
    {
        if (m_bEnded)
            return;
        m_rec.rasconnstate = RASCS_Disconnected;
        m_rec.dwError = dwError;
        Publish();
        RemoveNoticesFor(m_rec.hrasconn);
        Notice n;
        n.kind = Notice::Reestablish;
        n.strTitle = kReestablishTitle;
        n.strEntryName = m_rec.strEntryName;
        n.hConn = m_rec.hrasconn;
        RaiseNotice(n);
        Notify(RASCS_Disconnected, dwError);
    }

private:
    RasConn m_rec;
    qint64 m_nHolderStart = 0;
    CDialBackend* m_pBackend;
    DialNotify m_notify;
    bool m_bEnded = false;
    QString m_strDeviceMessage;
    QString m_strServerIpAddress;
    QStringList m_dnsServers;
};

// The connections this process holds, and the watch for hang-ups that other
// processes ask for. The watch exists only while something is held, so an
// idle process has nothing to wake it.
class CHolder : public QObject
{
public:
    static CHolder& Get()
    {
        static CHolder* s_pHolder = [] {
            auto* h = new CHolder;
            // Connections still held when the application ends are hung up,
            // so no record outlives its line.
            qAddPostRoutine([] {
                if (s_pInstance)
                    s_pInstance->EndAll();
            });
            s_pInstance = h;
            return h;
        }();
        return *s_pHolder;
    }

    CLocalConnection* Find(HRASCONN h) const
    {
        auto it = m_conns.find(h);
        return it == m_conns.end() ? nullptr : it->second;
    }

    void Add(CLocalConnection* conn)
    {
        m_conns[conn->Record().hrasconn] = conn;
        UpdateWatch();
    }

    void End(HRASCONN h, bool remote)
    {
        auto it = m_conns.find(h);
        if (it == m_conns.end())
            return;
        CLocalConnection* conn = it->second;
        m_conns.erase(it);
        conn->End();
        UpdateWatch();
        if (remote)
            conn->Notify(RASCS_Disconnected, ERROR_USER_DISCONNECTION);
        // Deleted later: a backend or a notify callback may be on the stack.
        conn->deleteLater();
    }

    void EndAll()
    {
        while (!m_conns.empty())
            End(m_conns.begin()->first, false);
    }

    int Count() const { return int(m_conns.size()); }

private:
    void UpdateWatch()
    {
        if (m_conns.empty()) {
            delete m_pWatcher;
            m_pWatcher = nullptr;
            return;
        }
        if (!m_pWatcher) {
            m_pWatcher = new QFileSystemWatcher(this);
            m_pWatcher->addPath(ConnectionsFolder());
            connect(m_pWatcher, &QFileSystemWatcher::directoryChanged, this, [this] { CheckRequests(); });
        }
    }

    void CheckRequests()
    {
        QList<HRASCONN> wanted;
        for (const auto& [h, conn] : m_conns)
            if (QFile::exists(HangUpRequestPath(h)))
                wanted.append(h);
        for (HRASCONN h : wanted)
            End(h, true);
    }

    static inline CHolder* s_pInstance = nullptr;
    std::map<HRASCONN, CLocalConnection*> m_conns;
    QFileSystemWatcher* m_pWatcher = nullptr;
};

HRASCONN NewHandle()
{
    for (;;) {
        const HRASCONN h = QRandomGenerator::system()->generate64() & 0x7FFFFFFFFFFFFFFFull;
        if (h && !QFile::exists(RecordPath(h)))
            return h;
    }
}

} // namespace

bool ServiceAvailable(QString* why)
{
    for (const QString& folder : {ConfigFolder(), ConnectionsFolder(), NoticesFolder()})
        if (!MakePrivateFolder(folder)) {
            if (why)
                *why = folder + QStringLiteral(": not a folder of this user's that can be written");
            return false;
        }
    return true;
}

DWORD Dial(const RasDialParams& params, DialNotify notify, HRASCONN* phConn)
{
    if (!phConn)
        return ERROR_INVALID_PARAMETER;
    *phConn = 0;
    RasEntry entry;
    if (DWORD rc = GetEntryProperties(params.strEntryName, &entry, nullptr))
        return rc;
    QString stored = params.strEntryName;
    FindEntry(params.strEntryName, &stored);
    if (params.strPhoneNumber.size() > RAS_MaxPhoneNumber || params.strUserName.size() > RAS_MaxUserName
        || params.strPassword.size() > RAS_MaxPassword)
        return ERROR_BUFFER_TOO_SMALL;

    DWORD error = ERROR_SUCCESS;
    std::unique_ptr<CDialBackend> backend = CreateBackend(entry, &error);
    if (!backend)
        return error;
    if (!ServiceAvailable())
        return E_NOINTERFACE;
    // The checks below and the new record are one step for all the user's
    // processes, so two dialers started together cannot both pass. The wait
    // is bounded: a dialer stopped while holding the lock must not stop us.
    base::FileLock dialLock;
    dialLock.Lock(ConnectionsFolder() + QStringLiteral("/dial.lock"), 2000);
    for (const RasConn& c : ReadAllRecords()) {
        if (c.rasconnstate == RASCS_Disconnected)
            continue;
        if (c.strEntryName.compare(stored, Qt::CaseInsensitive) == 0)
            return ERROR_DIAL_ALREADY_IN_PROGRESS;
        // A real port carries one call at a time.
        if (entry.strDeviceName.compare(kSimulatedModem, Qt::CaseInsensitive) != 0
            && c.strDeviceName == entry.strDeviceName)
            return ERROR_PORT_ALREADY_OPEN;
    }

    RasConn rec;
    rec.hrasconn = NewHandle();
    rec.strEntryName = stored;
    rec.strDeviceName = entry.strDeviceName;
    rec.rasconnstate = RASCS_OpenPort;
    rec.nStartedMs = NowMs();
    rec.nHolderPid = QCoreApplication::applicationPid();

    auto* conn = new CLocalConnection(rec, std::move(backend), std::move(notify));
    if (!conn->Publish()) {
        delete conn;
        return ERROR_ACCESS_DENIED;
    }
    // An old offer to reestablish this entry is out of date now.
    RemoveReestablishNotices(stored);
    CHolder::Get().Add(conn);

    DialRequest req;
    req.hConn = rec.hrasconn;
    req.strEntryName = stored;
    req.strPhoneNumber = params.strPhoneNumber.isEmpty() ? entry.strLocalPhoneNumber : params.strPhoneNumber;
    req.strUserName = params.strUserName;
    req.strPassword = params.strPassword;
    req.strDomain = params.strDomain;
    req.entry = entry;
    conn->Backend()->Start(req, conn);
    *phConn = rec.hrasconn;
    return ERROR_SUCCESS;
}

DWORD HangUp(HRASCONN h)
{
    if (!h)
        return ERROR_INVALID_HANDLE;
    CHolder& holder = CHolder::Get();
    if (holder.Find(h)) {
        holder.End(h, false);
        return ERROR_SUCCESS;
    }
    const std::optional<RasConn> rec = ReadRecord(h);
    if (!rec)
        return ERROR_INVALID_HANDLE;
    // Held by another process: ask it, and wait until its record is gone.
    QFile request(HangUpRequestPath(h));
    if (!request.open(QIODevice::WriteOnly))
        return ERROR_ACCESS_DENIED;
    request.close();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kRemoteHangUpWaitMs) {
        if (!ReadRecord(h))
            return ERROR_SUCCESS;
        QThread::msleep(10);
    }
    QFile::remove(HangUpRequestPath(h));
    return ERROR_PORT_OR_DEVICE;
}

DWORD GetConnection(HRASCONN h, RasConn& conn)
{
    const std::optional<RasConn> rec = ReadRecord(h);
    if (!rec)
        return ERROR_INVALID_HANDLE;
    conn = *rec;
    return ERROR_SUCCESS;
}

DWORD GetConnectStatus(HRASCONN h, RasConnStatus& status)
{
    RasConn conn;
    if (DWORD rc = GetConnection(h, conn))
        return rc;
    status.rasconnstate = conn.rasconnstate;
    status.dwError = conn.dwError;
    status.strDeviceType = kDeviceTypeModem;
    status.strDeviceName = conn.strDeviceName;
    return ERROR_SUCCESS;
}

DWORD EnumConnections(QList<RasConn>& conns)
{
    conns.clear();
    for (const RasConn& c : ReadAllRecords())
        if (c.rasconnstate != RASCS_Disconnected)
            conns.append(c);
    return ERROR_SUCCESS;
}

DWORD GetProjectionInfo(HRASCONN h, RasProjection projection, RasPppIp& info)
{
    RasConn conn;
    if (DWORD rc = GetConnection(h, conn))
        return rc;
    if (projection != RASP_PppIp)
        return ERROR_PROTOCOL_NOT_CONFIGURED;
    if (conn.rasconnstate != RASCS_Connected)
        return ERROR_PROJECTION_NOT_COMPLETE;
    info.dwError = 0;
    info.strIpAddress = conn.strIpAddress;
    if (CLocalConnection* local = CHolder::Get().Find(h))
        info.strServerIpAddress = local->ServerIpAddress();
    return ERROR_SUCCESS;
}

QString GetDeviceMessage(HRASCONN h)
{
    CLocalConnection* local = CHolder::Get().Find(h);
    return local ? local->DeviceMessage() : QString();
}

int LocalConnectionCount()
{
    return CHolder::Get().Count();
}

} // namespace ras
