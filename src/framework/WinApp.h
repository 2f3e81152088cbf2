#pragma once
// The application object: profile settings under the registry root, the
// recent-theme list, the document template, and the commands that belong to
// the application.

#include "CmdTarget.h"
#include "Document.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace fw {

class CWinApp : public CCmdTarget
{
public:
    CWinApp();
    ~CWinApp() override;

    static CWinApp* Instance();

    // "Software\<company>\<application name>" under HKEY_CURRENT_USER.
    void SetRegistryKey(const QString& company);
    QString GetRegistryRoot() const { return m_strRegistryRoot; }

    int GetProfileInt(const QString& section, const QString& entry, int defaultValue) const;
    bool WriteProfileInt(const QString& section, const QString& entry, int value);
    QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue = {}) const;
    bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
    bool GetProfileBinary(const QString& section, const QString& entry, QByteArray& out) const;
    bool WriteProfileBinary(const QString& section, const QString& entry, const QByteArray& value);

    // Recent documents, kept under "Recent File List" of the profile root.
    void LoadStdProfileSettings(int maxMRU);
    void AddToRecentFileList(const QString& path);
    void RemoveFromRecentFileList(int index);
    void RemoveFromRecentFileList(const QString& path);
    const QStringList& RecentFiles() const { return m_recent; }
    int MaxRecentFiles() const { return m_nMaxMRU; }

    void AddDocTemplate(std::unique_ptr<CDocTemplate> t) { m_pDocTemplate = std::move(t); }
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }
    virtual CDocument* OpenDocumentFile(const QString& path);
    void OnFileNew();

    bool OnCmdMsg(unsigned id, CCmdUI* pUpdate, bool probe = false) override;

protected:
    virtual bool OnOwnCmdMsg(unsigned id, CCmdUI* pUpdate, bool probe);
    void OnFileMruFile(unsigned id);
    void OnUpdateFileMruFile(CCmdUI* pCmdUI);

private:
    void SaveRecentList();
    QString m_strRegistryRoot;
    QStringList m_recent;
    int m_nMaxMRU = 0;
    std::unique_ptr<CDocTemplate> m_pDocTemplate;
};

inline CWinApp* AfxGetApp() { return CWinApp::Instance(); }

} // namespace fw
