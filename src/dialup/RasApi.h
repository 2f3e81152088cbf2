#pragma once
// CRasApi: the program's one way to the remote access service. One object per
// process (Instance()); it owns the current connection handle, the cached
// phonebook list and the watcher thread that reacts to the service's
// connection notices.
//
// Everything runs on the user-interface thread except the watcher, which
// reads only the current entry name (through a short lock) and the stop flag,
// enumerates the phonebook into a list of its own, and posts messages.

#include "platform/ras/RasTypes.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <thread>

class QObject;
class QWidget;

namespace ras {
class CNoticeWaiter;
}

// The active connections at one moment.
class CRasConnList
{
public:
    explicit CRasConnList(QList<ras::RasConn> conns) : m_conns(std::move(conns)) {}
    int GetCount() const { return int(m_conns.size()); }
    // Null when i is out of range.
    const ras::RasConn* GetAt(int i) const { return i >= 0 && i < m_conns.size() ? &m_conns[i] : nullptr; }

private:
    QList<ras::RasConn> m_conns;
};

class CRasApi
{
public:
    // Notifier type of Dial for "post RasDialEvent to an object".
    static constexpr ras::DWORD kNotifyObject = 0xFFFFFFFF;

    CRasApi();
    virtual ~CRasApi();
    CRasApi(const CRasApi&) = delete;
    CRasApi& operator=(const CRasApi&) = delete;

    static CRasApi& Instance();

    // Opens the service and starts the watcher. False, with m_dwLastError
    // E_NOINTERFACE and m_strLoadProblem saying why, when the service cannot
    // be used.
    bool Load();

    // Refreshes the cached phonebook list; the number of entries (0 on failure).
    int EnumEntries();
    // From the cached list (enumerated first when there is none).
    bool GetEntryName(int nIndex, QString& strName);
    // Index of an entry, ignoring case, or -1. Always reads the phonebook
    // anew into a list of its own: the watcher calls it.
    int FindEntry(const QString& strEntry);

    // The entry editor; they return the result code (0 = done,
    // ERROR_CANCELLED when the user cancelled) and do not store it.
    ras::DWORD CreateEntry(QWidget* pOwner);
    ras::DWORD EditEntry(QWidget* pOwner, const QString& strEntry);
    bool DeleteEntry(const QString& strEntry);

    // pParams->strEntryName names the entry.
    bool GetEntryDialParams(ras::RasDialParams* pParams, bool* pbPasswordSaved);
    bool SetEntryDialParams(const ras::RasDialParams* pParams, bool bRemovePassword);

    // A null out pointer means that part is not wanted.
    bool GetEntryProperties(const QString& strEntry, ras::RasEntry* pEntry, QByteArray* pDeviceInfo);
    // pDeviceInfo null leaves the stored device information as it is.
    bool SetEntryProperties(const QString& strEntry, const ras::RasEntry* pEntry, const QByteArray* pDeviceInfo);

    // Hangs up a held connection first, then starts the call and returns at
    // once. With kNotifyObject each progress state is posted to pNotify as a
    // "RasDialEvent" until the call connects or fails.
    bool Dial(const ras::RasDialParams* pParams, ras::DWORD dwNotifierType, QObject* pNotify);
    // False without a connection; else hangs up, pauses (the service's
    // hang-up pause, 3 s by default), forgets the connection, true.
    bool HangUp();
    bool IsConnected();
    bool GetConnectStatus(ras::RasConnStatus* pStatus);
    bool GetProjectionInfo(ras::RasProjection projection, ras::RasPppIp* pInfo);
    // Null when there is none or the enumeration fails.
    std::unique_ptr<CRasConnList> EnumConnections();
    bool AttachConnection(ras::HRASCONN hConn);

    // The default provider, or a null string when there is none.
    QString GetDefaultEntry();
    long SetDefaultEntry(const QString& strEntry);

    // The way into the dialing dialog. Asks for the password when none is
    // saved (false when that is cancelled). Modal: runs the dialog and is true
    // only when it connected. Modeless: the dialog, owned by pOwner, starts
    // hidden, is shown when bShow, and reports to its owner; true at once.
    bool Connect(const QString& strEntry, bool bShow, QWidget* pOwner, bool bModal);

    // The entry being dialled or connected ("" when none), as a whole copy.
    QString GetCurrentEntryName() const;

    // How the watcher reads a connection notice: "h:mm:ss" (missing parts
    // count 0) as seconds; the first run of digits of the speed text, or
    // dwLastSpeed when it has none.
    static ras::DWORD ParseConnectionTime(const QString& strText);
    static ras::DWORD ParseConnectionSpeed(const QString& strText, ras::DWORD dwLastSpeed);

    // Fields.
    ras::DWORD m_dwLastError = 0;
    QString m_strLoadProblem;
    ras::HRASCONN m_hRasConn = 0;
    std::unique_ptr<std::thread> m_pWatchThread;
    std::atomic<bool> m_bStopWatch{false};
    bool m_bPlaySound = true;

    using PFNGETENTRYPROPERTIES = ras::DWORD (*)(const QString&, ras::RasEntry*, QByteArray*);
    using PFNSETENTRYPROPERTIES = ras::DWORD (*)(const QString&, const ras::RasEntry&, const QByteArray*);
    using PFNDELETEENTRY = ras::DWORD (*)(const QString&);
    PFNGETENTRYPROPERTIES m_pfnGetEntryProperties = nullptr;
    PFNSETENTRYPROPERTIES m_pfnSetEntryProperties = nullptr;
    PFNDELETEENTRY m_pfnDeleteEntry = nullptr;

private:
    void SetEntryName(const QString& strName);
    void HangUpPause(int ms);
    void RasWatchThread();
    void StopWatch();
    static void StopAllWatchers();

    bool m_bServiceLoaded = false;
    bool m_bHangingUp = false;
    std::unique_ptr<QStringList> m_pEntryNames;
    QString m_strEntryName;
    mutable QMutex m_entryNameLock;
    std::unique_ptr<ras::CNoticeWaiter> m_pWaiter;
};
