#include "WinApp.h"

#include "FrameWnd.h"

#include "platform/registry/Registry.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QFileInfo>

namespace fw {

namespace {

CWinApp* g_pApp = nullptr;

const QString kRecentSection = QStringLiteral("Recent File List");

} // namespace

CWinApp::CWinApp()
{
    g_pApp = this;
    m_strRegistryRoot = QStringLiteral("Software\\") + res::LoadString(ids::AFX_IDS_APP_TITLE);
}

CWinApp::~CWinApp()
{
    m_pDocTemplate.reset();
    if (g_pApp == this)
        g_pApp = nullptr;
}

CWinApp* CWinApp::Instance()
{
    return g_pApp;
}

void CWinApp::SetRegistryKey(const QString& company)
{
    m_strRegistryRoot = QStringLiteral("Software\\") + company + "\\" + res::LoadString(ids::AFX_IDS_APP_TITLE);
}

int CWinApp::GetProfileInt(const QString& section, const QString& entry, int defaultValue) const
{
    reg::RegKey key;
    if (key.Open(reg::HKEY_CURRENT_USER, m_strRegistryRoot + "\\" + section) != reg::ERROR_SUCCESS)
        return defaultValue;
    reg::DWORD value = 0;
    if (!key.ReadDword(entry, value))
        return defaultValue;
    return int(value);
}

bool CWinApp::WriteProfileInt(const QString& section, const QString& entry, int value)
{
    reg::RegKey key;
    if (key.Create(reg::HKEY_CURRENT_USER, m_strRegistryRoot + "\\" + section) != reg::ERROR_SUCCESS)
        return false;
    // Every write is a locked, synced rewrite of the settings file, and
    // closing the window writes its place and bars each time: a value that
    // has not changed is left as it is.
    reg::DWORD old = 0;
    if (key.ReadDword(entry, old) && old == reg::DWORD(value))
        return true;
    return key.WriteDword(entry, reg::DWORD(value)) == reg::ERROR_SUCCESS;
}

QString CWinApp::GetProfileString(const QString& section, const QString& entry, const QString& defaultValue) const
{
    reg::RegKey key;
    QString value;
    const QString path = section.isEmpty() ? m_strRegistryRoot : m_strRegistryRoot + "\\" + section;
    if (key.Open(reg::HKEY_CURRENT_USER, path) != reg::ERROR_SUCCESS || !key.ReadString(entry, value))
        return defaultValue;
    return value;
}

bool CWinApp::WriteProfileString(const QString& section, const QString& entry, const QString& value)
{
    reg::RegKey key;
    const QString path = section.isEmpty() ? m_strRegistryRoot : m_strRegistryRoot + "\\" + section;
    if (key.Create(reg::HKEY_CURRENT_USER, path) != reg::ERROR_SUCCESS)
        return false;
    if (value.isNull())
        return key.DeleteValue(entry) == reg::ERROR_SUCCESS;
    QString old;
    if (key.ReadString(entry, old) && old == value)
        return true;
    return key.WriteString(entry, value) == reg::ERROR_SUCCESS;
}

bool CWinApp::GetProfileBinary(const QString& section, const QString& entry, QByteArray& out) const
{
    reg::RegKey key;
    const QString path = section.isEmpty() ? m_strRegistryRoot : m_strRegistryRoot + "\\" + section;
    if (key.Open(reg::HKEY_CURRENT_USER, path) != reg::ERROR_SUCCESS)
        return false;
    return key.ReadBinary(entry, out);
}

bool CWinApp::WriteProfileBinary(const QString& section, const QString& entry, const QByteArray& value)
{
    reg::RegKey key;
    const QString path = section.isEmpty() ? m_strRegistryRoot : m_strRegistryRoot + "\\" + section;
    if (key.Create(reg::HKEY_CURRENT_USER, path) != reg::ERROR_SUCCESS)
        return false;
    QByteArray old;
    reg::DWORD type = 0;
    if (key.ReadBinary(entry, old, &type) && type == reg::REG_BINARY && old == value)
        return true;
    return key.WriteBinary(entry, value) == reg::ERROR_SUCCESS;
}

void CWinApp::LoadStdProfileSettings(int maxMRU)
{
    m_nMaxMRU = maxMRU;
    m_recent.clear();
    for (int i = 1; i <= maxMRU; ++i) {
        const QString path = GetProfileString(kRecentSection, QString("File%1").arg(i));
        if (path.isEmpty())
            break;
        m_recent << path;
    }
}

void CWinApp::SaveRecentList()
{
    reg::RegKey key;
    if (key.Create(reg::HKEY_CURRENT_USER, m_strRegistryRoot + "\\" + kRecentSection) != reg::ERROR_SUCCESS)
        return;
    // One write for the whole list: another process reading it never sees
    // half of it.
    reg::RegValueChanges changes;
    for (int i = 0; i < m_nMaxMRU; ++i) {
        const QString name = QString("File%1").arg(i + 1);
        if (i < m_recent.size())
            changes.SetString(name, m_recent[i]);
        else
            changes.DeleteValue(name);
    }
    key.SetValues(changes);
}

void CWinApp::AddToRecentFileList(const QString& path)
{
    if (m_nMaxMRU <= 0 || path.isEmpty())
        return;
    const QString full = QFileInfo(path).absoluteFilePath();
    if (!m_recent.isEmpty() && m_recent.first() == full)
        return;
    m_recent.removeAll(full);
    m_recent.prepend(full);
    while (m_recent.size() > m_nMaxMRU)
        m_recent.removeLast();
    SaveRecentList();
}

void CWinApp::RemoveFromRecentFileList(int index)
{
    if (index < 0 || index >= m_recent.size())
        return;
    m_recent.removeAt(index);
    SaveRecentList();
}

void CWinApp::RemoveFromRecentFileList(const QString& path)
{
    const int index = m_recent.indexOf(QFileInfo(path).absoluteFilePath());
    if (index >= 0)
        RemoveFromRecentFileList(index);
}

CDocument* CWinApp::OpenDocumentFile(const QString& path)
{
    return m_pDocTemplate ? m_pDocTemplate->OpenDocumentFile(path) : nullptr;
}

void CWinApp::OnFileNew()
{
    OpenDocumentFile(QString());
}

void CWinApp::OnFileMruFile(unsigned id)
{
    const int index = int(id - ids::ID_FILE_MRU_FIRST);
    if (index < 0 || index >= m_recent.size())
        return;
    // A failed open drops the entry (the template does).
    OpenDocumentFile(m_recent[index]);
}

void CWinApp::OnUpdateFileMruFile(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(!m_recent.isEmpty());
}

bool CWinApp::OnOwnCmdMsg(unsigned, CCmdUI*, bool)
{
    return false;
}

bool CWinApp::OnCmdMsg(unsigned id, CCmdUI* pUpdate, bool probe)
{
    if (OnOwnCmdMsg(id, pUpdate, probe))
        return true;
    static const std::vector<CmdEntry<CWinApp>> map = {
        OnCommand<CWinApp>(ids::ID_FILE_NEW, &CWinApp::OnFileNew),
        OnCommandRange<CWinApp>(ids::ID_FILE_MRU_FIRST, ids::ID_FILE_MRU_LAST, &CWinApp::OnFileMruFile),
        OnUpdateRange<CWinApp>(ids::ID_FILE_MRU_FIRST, ids::ID_FILE_MRU_LAST, &CWinApp::OnUpdateFileMruFile),
    };
    return DispatchCmdMsg(this, map, id, pUpdate, probe);
}

} // namespace fw
