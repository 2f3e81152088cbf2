#include "dialup/RasApi.h"
#include "platform/base/Numbers.h"
#include "dialup/EntryEditorDlg.h"

#include "dialup/DialingDlg.h"
#include "dialup/PasswordDlg.h"
#include "dialup/RasMessages.h"
#include "framework/MessageBox.h"
#include "platform/ras/Notices.h"
#include "platform/ras/RasService.h"
#include "platform/ras/ServiceSettings.h"
#include "platform/registry/Registry.h"
#include "res/Strings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString kRemoteAccessKey = QStringLiteral("RemoteAccess");
const QString kInternetProfile = QStringLiteral("InternetProfile");
constexpr unsigned IDS_CONNECTED_TO = 2000;
constexpr unsigned IDS_REESTABLISH = 2001;

// Loaded objects, so their watchers stop before the application goes away.
QMutex s_loadedMutex;
QList<CRasApi*> s_loaded;

QString LoadText(unsigned id, const QString& fallback)
{
    const QString text = res::LoadString(id);
    return text.isEmpty() ? fallback : text;
}

} // namespace

CRasApi::CRasApi() = default;

CRasApi::~CRasApi()
{
    {
        QMutexLocker lock(&s_loadedMutex);
        s_loaded.removeAll(this);
    }
    StopWatch();
}

CRasApi& CRasApi::Instance()
{
    static CRasApi s_rasApi;
    return s_rasApi;
}

bool CRasApi::Load()
{
    if (!ras::ServiceAvailable(&m_strLoadProblem)) {
        m_dwLastError = ras::E_NOINTERFACE;
        return false;
    }
    m_bServiceLoaded = true;
    m_pfnGetEntryProperties = &ras::GetEntryProperties;
    m_pfnSetEntryProperties = &ras::SetEntryProperties;
    m_pfnDeleteEntry = &ras::DeleteEntry;
    if (m_pWatchThread)
        return true;

    m_bStopWatch = false;
    m_pWaiter = std::make_unique<ras::CNoticeWaiter>();
    m_pWatchThread = std::make_unique<std::thread>([this] { RasWatchThread(); });
    {
        QMutexLocker lock(&s_loadedMutex);
        static bool s_bHooked = false;
        if (!s_bHooked && QCoreApplication::instance()) {
            s_bHooked = true;
            qAddPostRoutine(&CRasApi::StopAllWatchers);
        }
        s_loaded.append(this);
    }
    return true;
}

void CRasApi::StopAllWatchers()
{
    QMutexLocker lock(&s_loadedMutex);
    for (CRasApi* p : std::as_const(s_loaded))
        p->StopWatch();
}

void CRasApi::StopWatch()
{
    if (!m_pWatchThread)
        return;
    m_bStopWatch = true;
    m_pWaiter->Wake();
    // Woken, it leaves within a few milliseconds. It uses this object, so it
    // is waited for to the end rather than for a fixed 50 ms.
    m_pWatchThread->join();
    m_pWatchThread.reset();
}

int CRasApi::EnumEntries()
{
    QStringList names;
    m_dwLastError = ras::EnumEntries(names);
    m_pEntryNames = std::make_unique<QStringList>(names);
    return m_dwLastError == 0 ? int(names.size()) : 0;
}

bool CRasApi::GetEntryName(int nIndex, QString& strName)
{
    if (!m_pEntryNames)
        EnumEntries();
    if (nIndex < 0 || nIndex >= m_pEntryNames->size())
        return false;
    strName = m_pEntryNames->at(nIndex);
    return true;
}

int CRasApi::FindEntry(const QString& strEntry)
{
    QStringList names;
    if (ras::EnumEntries(names) != ras::ERROR_SUCCESS)
        return -1;
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(strEntry, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

ras::DWORD CRasApi::CreateEntry(QWidget* pOwner)
{
    return ras::CreatePhonebookEntry(pOwner);
}

ras::DWORD CRasApi::EditEntry(QWidget* pOwner, const QString& strEntry)
{
    return ras::EditPhonebookEntry(pOwner, strEntry);
}

bool CRasApi::DeleteEntry(const QString& strEntry)
{
    if (!m_pfnDeleteEntry) {
        m_dwLastError = ras::ERROR_INVALID_FUNCTION;
        return false;
    }
    m_dwLastError = m_pfnDeleteEntry(strEntry);
    return m_dwLastError == 0;
}

bool CRasApi::GetEntryDialParams(ras::RasDialParams* pParams, bool* pbPasswordSaved)
{
    if (!pParams) {
        m_dwLastError = ras::ERROR_INVALID_PARAMETER;
        return false;
    }
    bool bSaved = false;
    m_dwLastError = ras::GetEntryDialParams(*pParams, bSaved);
    if (pbPasswordSaved)
        *pbPasswordSaved = bSaved;
    return m_dwLastError == 0;
}

bool CRasApi::SetEntryDialParams(const ras::RasDialParams* pParams, bool bRemovePassword)
{
    if (!pParams) {
        m_dwLastError = ras::ERROR_INVALID_PARAMETER;
        return false;
    }
    m_dwLastError = ras::SetEntryDialParams(*pParams, bRemovePassword);
    return m_dwLastError == 0;
}

bool CRasApi::GetEntryProperties(const QString& strEntry, ras::RasEntry* pEntry, QByteArray* pDeviceInfo)
{
    if (!m_pfnGetEntryProperties) {
        m_dwLastError = ras::ERROR_INVALID_FUNCTION;
        return false;
    }
    // Filled only on success.
    ras::RasEntry entry;
    QByteArray info;
    m_dwLastError = m_pfnGetEntryProperties(strEntry, pEntry ? &entry : nullptr, pDeviceInfo ? &info : nullptr);
    if (m_dwLastError != 0)
        return false;
    if (pEntry)
        *pEntry = entry;
    if (pDeviceInfo)
        *pDeviceInfo = info;
    return true;
}

bool CRasApi::SetEntryProperties(const QString& strEntry, const ras::RasEntry* pEntry, const QByteArray* pDeviceInfo)
{
    if (!m_pfnSetEntryProperties) {
        m_dwLastError = ras::ERROR_INVALID_FUNCTION;
        return false;
    }
    if (!pEntry) {
        m_dwLastError = ras::ERROR_INVALID_PARAMETER;
        return false;
    }
    m_dwLastError = m_pfnSetEntryProperties(strEntry, *pEntry, pDeviceInfo);
    return m_dwLastError == 0;
}

bool CRasApi::Dial(const ras::RasDialParams* pParams, ras::DWORD dwNotifierType, QObject* pNotify)
{
    if (m_hRasConn)
        HangUp();
    if (!pParams) {
        m_dwLastError = ras::ERROR_INVALID_PARAMETER;
        return false;
    }
    SetEntryName(pParams->strEntryName);

    // Progress is delivered on this thread; the target may be gone by then.
    QPointer<QObject> target(dwNotifierType == kNotifyObject ? pNotify : nullptr);
    auto bDone = std::make_shared<bool>(false);
    const int type = RasDialEventType();
    ras::HRASCONN hConn = 0;
    m_dwLastError = ras::Dial(
        *pParams,
        [target, bDone, type](unsigned state, ras::DWORD error) {
            // The call's notifications end when it connects or fails.
            if (*bDone)
                return;
            if (state == ras::RASCS_Connected || state == ras::RASCS_Disconnected)
                *bDone = true;
            if (target)
                QCoreApplication::postEvent(target, new CRasMessageEvent(type, state, error));
        },
        &hConn);
    m_hRasConn = hConn;
    return m_dwLastError == 0;
}

bool CRasApi::HangUp()
{
    // A hang-up already pausing owns the connection it ends.
    if (!m_hRasConn || m_bHangingUp)
        return false;
    const ras::HRASCONN hConn = m_hRasConn;
    m_dwLastError = ras::HangUp(hConn);
    // Gives the line (and a modem) time to settle before the next call.
    if (const int ms = ras::HangUpPauseMs(); ms > 0)
        HangUpPause(ms);
    // A call dialled during the pause is not this one.
    if (m_hRasConn == hConn) {
        m_hRasConn = 0;
        SetEntryName(QString());
    }
    return true;
}

void CRasApi::HangUpPause(int ms)
{
    // On the user-interface thread the windows keep painting and timers keep
    // running; the user's input waits until the pause is over.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        QThread::msleep(ms);
        return;
    }
    m_bHangingUp = true;
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_bHangingUp = false;
}

bool CRasApi::Connect(const QString& strEntry, bool bShow, QWidget* pOwner, bool bModal)
{
    ras::RasDialParams params;
    params.strEntryName = strEntry.left(ras::RAS_MaxEntryName);
    // Only whether a password is saved matters here.
    bool bPasswordSaved = false;
    GetEntryDialParams(&params, &bPasswordSaved);

    if (!bPasswordSaved) {
        QPointer<CPasswordDlg> pDlg = new CPasswordDlg(pOwner);
        pDlg->m_strUserName = params.strUserName;
        const int result = pDlg->DoModal();
        if (!pDlg)
            return false;
        if (result != fw::IDOK) {
            delete pDlg.data();
            return false;
        }
        params.strPassword = pDlg->m_strPassword.left(ras::RAS_MaxPassword);
        params.strUserName = pDlg->m_strUserName.left(ras::RAS_MaxUserName);
        const bool bSave = pDlg->m_bSavePassword;
        delete pDlg.data();
        if (bSave)
            SetEntryDialParams(&params, false);
    }

    QPointer<CDialingDlg> pDlg = new CDialingDlg(this, params, pOwner);
    pDlg->m_bPlaySound = m_bPlaySound;
    pDlg->m_bModal = bModal;
    if (bModal) {
        const int result = pDlg->DoModal();
        delete pDlg.data();
        return result == fw::IDOK;
    }
    // It dials from its initialisation and deletes itself when it ends.
    pDlg->Create();
    if (bShow && pDlg && !pDlg->IsEnded())
        pDlg->show();
    return true;
}

bool CRasApi::IsConnected()
{
    if (!m_hRasConn)
        return false;
    ras::RasConnStatus status;
    if (!GetConnectStatus(&status))
        return false;
    return status.rasconnstate == ras::RASCS_Connected;
}

bool CRasApi::GetConnectStatus(ras::RasConnStatus* pStatus)
{
    if (!pStatus) {
        m_dwLastError = ras::ERROR_INVALID_PARAMETER;
        return false;
    }
    m_dwLastError = ras::GetConnectStatus(m_hRasConn, *pStatus);
    return m_dwLastError == 0;
}

bool CRasApi::GetProjectionInfo(ras::RasProjection projection, ras::RasPppIp* pInfo)
{
    if (!pInfo) {
        m_dwLastError = ras::ERROR_INVALID_PARAMETER;
        return false;
    }
    m_dwLastError = ras::GetProjectionInfo(m_hRasConn, projection, *pInfo);
    return m_dwLastError == 0;
}

std::unique_ptr<CRasConnList> CRasApi::EnumConnections()
{
    QList<ras::RasConn> conns;
    m_dwLastError = ras::EnumConnections(conns);
    if (m_dwLastError != 0 || conns.isEmpty())
        return nullptr;
    return std::make_unique<CRasConnList>(std::move(conns));
}

bool CRasApi::AttachConnection(ras::HRASCONN hConn)
{
    // Attaching to the connection already held would otherwise end it.
    if (m_hRasConn && m_hRasConn == hConn)
        return true;
    if (m_hRasConn)
        HangUp();
    QList<ras::RasConn> conns;
    m_dwLastError = ras::EnumConnections(conns);
    if (m_dwLastError != 0)
        return false;
    for (const ras::RasConn& c : std::as_const(conns)) {
        if (c.hrasconn == hConn) {
            m_hRasConn = hConn;
            SetEntryName(c.strEntryName);
            return true;
        }
    }
    m_dwLastError = ras::ERROR_INVALID_HANDLE;
    return false;
}

QString CRasApi::GetDefaultEntry()
{
    reg::RegKey key;
    if (key.Open(reg::HKEY_CURRENT_USER, kRemoteAccessKey) == reg::ERROR_SUCCESS) {
        QString value;
        // The value is read into a 256-byte buffer: a longer one does not fit.
        if (key.ReadString(kInternetProfile, value) && value.toUtf8().size() < 256)
            return value.isNull() ? QStringLiteral("") : value;
    }
    // Fall back to the first entry, without making it the default.
    QString first;
    if (GetEntryName(0, first))
        return first;
    return QString();
}

long CRasApi::SetDefaultEntry(const QString& strEntry)
{
    reg::RegKey key;
    if (const long rc = key.Create(reg::HKEY_CURRENT_USER, kRemoteAccessKey); rc != reg::ERROR_SUCCESS)
        return rc;
    return key.WriteString(kInternetProfile, strEntry);
}

QString CRasApi::GetCurrentEntryName() const
{
    QMutexLocker lock(&m_entryNameLock);
    return m_strEntryName;
}

void CRasApi::SetEntryName(const QString& strName)
{
    {
        QMutexLocker lock(&m_entryNameLock);
        if (m_strEntryName == strName)
            return;
        m_strEntryName = strName;
    }
    // The watcher looks again: a notice may be waiting for the new entry.
    if (m_pWaiter)
        m_pWaiter->Wake();
}

ras::DWORD CRasApi::ParseConnectionTime(const QString& strText)
{
    // Each part is read like atoi, without a sign.
    auto number = [](const QString& part) -> quint64 {
        return quint64(base::ParseLeadingInteger(part, 0, 0xFFFFFFFFLL, false).value);
    };
    const QStringList parts = strText.split(QLatin1Char(':'));
    const quint64 h = number(parts.value(0));
    const quint64 m = number(parts.value(1));
    const quint64 s = number(parts.value(2));
    return ras::DWORD(qMin<quint64>(h * 3600 + m * 60 + s, 0xFFFFFFFFull));
}

ras::DWORD CRasApi::ParseConnectionSpeed(const QString& strText, ras::DWORD dwLastSpeed)
{
    int i = 0;
    while (i < strText.size() && (strText[i] < QLatin1Char('0') || strText[i] > QLatin1Char('9')))
        ++i;
    if (i == strText.size())
        return dwLastSpeed;
    return ras::DWORD(base::ParseLeadingInteger(QStringView(strText).mid(i), 0, 0xFFFFFFFFLL, false).value);
}

void CRasApi::RasWatchThread()
{
    // Below normal: it must never compete with the user interface.
    ::setpriority(PRIO_PROCESS, ::gettid(), 5);
    ::pthread_setname_np(::pthread_self(), "RasWatchThread");
    const QString strConnected = LoadText(IDS_CONNECTED_TO, ras::kConnectedTitle);
    const QString strReestablish = LoadText(IDS_REESTABLISH, ras::kReestablishTitle);
    ras::DWORD dwLastSpeed = 0;

    while (!m_bStopWatch) {
        const QString strEntry = GetCurrentEntryName();
        if (!strEntry.isEmpty()) {
            const QList<ras::Notice> notices = ras::ListNotices();
            for (const ras::Notice& n : notices) {
                if (m_bStopWatch)
                    break;
                if (n.kind == ras::Notice::Connected && n.bVisible
                    && n.strTitle.compare(strConnected + strEntry, Qt::CaseInsensitive) == 0) {
                    // Hidden once, so each connection is reported once.
                    if (!ras::HideNotice(n.strId))
                        continue;
                    const int nIndex = FindEntry(strEntry);
                    const ras::DWORD dwSeconds =
                        ParseConnectionTime(n.TimeText(QDateTime::currentMSecsSinceEpoch()));
                    PostToTopLevelWidgets(RasConnectionTimeEventType(), WPARAM(qintptr(nIndex)), LPARAM(dwSeconds));
                    dwLastSpeed = ParseConnectionSpeed(n.strSpeedText, dwLastSpeed);
                    PostToTopLevelWidgets(RasConnectionSpeedEventType(), WPARAM(qintptr(nIndex)),
                                          LPARAM(dwLastSpeed));
                } else if (n.strTitle.compare(strReestablish, Qt::CaseInsensitive) == 0
                           && n.strEntryName.compare(strEntry, Qt::CaseInsensitive) == 0) {
                    // Declined: whether to dial again is the program's decision.
                    if (!ras::DeclineNotice(n.strId))
                        continue;
                    const int nIndex = FindEntry(strEntry);
                    PostToTopLevelWidgets(RasDropLineEventType(), WPARAM(qintptr(nIndex)), 0);
                }
            }
        }
        if (m_bStopWatch)
            break;
        // Without a current entry nothing in the queue concerns us: only a
        // new entry (or the stop) wakes the watcher.
        m_pWaiter->Wait(-1, !strEntry.isEmpty());
    }
}
