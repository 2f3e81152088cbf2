#include "DialtopDoc.h"

#include "settings/Settings.h"
#include "theme/ThemeFileDialog.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

namespace {

// Shows the wait cursor while a theme is read or written.
class WaitCursor
{
public:
    WaitCursor()
    {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            {
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
            m_bSet = true;
        }
    }
    ~WaitCursor()
    {
        if (m_bSet)
            QGuiApplication::restoreOverrideCursor();
    }

private:
    bool m_bSet = false;
};

constexpr unsigned kSaveFlags = fw::OFN_HIDEREADONLY | fw::OFN_PATHMUSTEXIST;

} // namespace

CDialtopDoc::~CDialtopDoc()
{
    m_theme.SaveAndClear();
}

bool CDialtopDoc::OnCmdMsg(unsigned id, fw::CCmdUI* pUpdate, bool probe)
{
    static const std::vector<fw::CmdEntry<CDialtopDoc>> map = {
        fw::OnCommand<CDialtopDoc>(ids::ID_FILE_SAVE, &CDialtopDoc::OnFileSave),
        fw::OnCommand<CDialtopDoc>(ids::ID_FILE_SAVE_AS, &CDialtopDoc::OnFileSaveAs),
    };
    return fw::DispatchCmdMsg(this, map, id, pUpdate, probe);
}

void CDialtopDoc::SetTitle(const QString& title)
{
    // The bare theme name: no folder, no extension.
    QString name = title.mid(LastPathSeparator(title) + 1);
    const int dot = name.lastIndexOf('.');
    if (dot > 0)
        name.truncate(dot);
    fw::CDocument::SetTitle(name);
}

void CDialtopDoc::DeleteContents()
{
    m_theme.m_bModified = IsModified();
    m_theme.SaveAndClear();
    UpdateAllViews(nullptr, 0);
}

bool CDialtopDoc::OnNewDocument()
{
    return fw::CDocument::OnNewDocument();
}

bool CDialtopDoc::OnOpenDocument(const QString& name)
{
    WaitCursor wait;
    if (name.isEmpty())
        return OnNewDocument();
    // Loading makes the theme's folder the current one (for its relative
    // bitmap names); a relative name must be resolved before that.
    const QString path = QFileInfo(name).absoluteFilePath();
    DeleteContents();
    if (LoadThemeFile(m_theme, path)) {
        SetPathName(path, true);
        SetModifiedFlag(false);
        return true;
    }
    fw::MessageBox(res::LoadString(ids::IDS_THEME_CORRUPT), fw::MB_OK | fw::MB_ICONEXCLAMATION);
    return false;
}

bool CDialtopDoc::OnSaveDocument(const QString& path)
{
    WaitCursor wait;
    m_theme.m_strPath = path;
    // Some edits (an icon dragged to a new place) mark only the document; the
    // theme must still be written for them, or the save would lose them.
    if (IsModified())
        m_theme.m_bModified = true;
    const bool result = m_theme.Save();
    if (!result) {
        // The theme in memory is not on disk: say so, and keep it marked as
        // changed so closing still offers to save it.
        fw::MessageBox(res::FormatString(ids::IDS_THEME_SAVE_FAILED, {path}), fw::MB_OK | fw::MB_ICONEXCLAMATION);
        SetModifiedFlag(true);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CDialtopDoc::OnFileSave()
{
    if (!GetPathName().isEmpty())
        OnSaveDocument(GetPathName());
    else
        OnFileSaveAs();
}

void CDialtopDoc::OnFileSaveAs()
{
    QString name;
    if (!PromptThemeFileName(name, ids::AFX_IDS_SAVEFILE, kSaveFlags, false))
        return;
    SetModifiedFlag(true);
    m_theme.m_bModified = true;
    if (OnSaveDocument(name))
        SetPathName(name, true);
}

bool CDialtopDoc::SaveModified()
{
    if (!IsModified())
        return true;
    QString name = GetTitle();
    if (GetPathName().isEmpty() && name.isEmpty())
        name = res::LoadString(ids::AFX_IDS_UNTITLED);
    const QString prompt = res::FormatString(ids::AFX_IDP_ASK_TO_SAVE, {name});
    switch (fw::MessageBox(prompt, fw::MB_YESNOCANCEL | fw::MB_ICONEXCLAMATION)) {
    case fw::IDCANCEL:
        return false;
    case fw::IDYES:
        return DoFileSave();
    default:
        m_theme.m_bModified = false;
        SetModifiedFlag(false);
        return true;
    }
}

bool CDialtopDoc::DoSave(const QString& path, bool replace)
{
    QString name = path;
    if (name.isEmpty()) {
        name = GetPathName();
        if (replace && name.isEmpty()) {
            name = GetTitle();
            const int cut = name.indexOf(QRegularExpression(QStringLiteral("[ #%;/\\\\]")));
            if (cut >= 0)
                name.truncate(cut);
            name += GetDocTemplate() ? GetDocTemplate()->Strings().filterExt : res::LoadString(ids::IDS_THEME_EXT);
        }
        if (!PromptThemeFileName(name, replace ? ids::AFX_IDS_SAVEFILE : ids::AFX_IDS_SAVEFILECOPY, kSaveFlags,
                                 false))
            return false;
    }
    // Saves are atomic: a failed one leaves no partial file behind, and a file
    // that was already there must not be deleted.
    if (!OnSaveDocument(name))
        return false;
    if (replace)
        SetPathName(name, true);
    return true;
}

bool LoadThemeFile(CThemeData& theme, const QString& path)
{
    CThemeData::LoadError why = CThemeData::LoadError::None;
    if (theme.Load(path, &why))
        return true;
    if (why == CThemeData::LoadError::WrongVersion)
        fw::MessageBox(res::FormatString(ids::IDS_BAD_VERSION, {path}), fw::MB_OK | fw::MB_ICONEXCLAMATION, nullptr,
                       QStringLiteral("Error"));
    return false;
}
