#include "Document.h"

#include "FrameWnd.h"
#include "MessageBox.h"
#include "View.h"
#include "WinApp.h"

#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QApplication>
#include <QFileInfo>

namespace fw {

bool CDocument::OnCmdMsg(unsigned, CCmdUI*, bool)
{
    return false;
}

void CDocument::SetTitle(const QString& title)
{
    m_strTitle = title;
    if (m_pDocTemplate && m_pDocTemplate->GetFrame())
        m_pDocTemplate->GetFrame()->OnUpdateFrameTitle();
}

void CDocument::SetPathName(const QString& path, bool addToMRU)
{
    m_strPathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    if (addToMRU && AfxGetApp())
        AfxGetApp()->AddToRecentFileList(m_strPathName);
}

bool CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const QString&)
{
    DeleteContents();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const QString&)
{
    SetModifiedFlag(false);
    return true;
}

bool CDocument::SaveModified()
{
    if (!IsModified())
        return true;
    QString name = m_strTitle;
    if (m_strPathName.isEmpty() && name.isEmpty())
        name = res::LoadString(ids::AFX_IDS_UNTITLED);
    const QString prompt = res::FormatMessageText(res::LoadString(ids::AFX_IDP_ASK_TO_SAVE), {name});
    switch (MessageBox(prompt, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDCANCEL:
        return false;
    case IDYES:
        return DoFileSave();
    default:
        return true;
    }
}

bool CDocument::DoFileSave()
{
    // A document without a file, or whose file cannot be written, asks for a name.
    const QFileInfo info(m_strPathName);
    if (m_strPathName.isEmpty() || !info.exists() || !info.isWritable())
        return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CDocument::DoSave(const QString& path, bool replace)
{
    const QString name = path.isEmpty() ? m_strPathName : path;
    if (name.isEmpty() || !OnSaveDocument(name))
        return false;
    if (replace)
        SetPathName(name);
    return true;
}

void CDocument::UpdateAllViews(CView* sender, long hint)
{
    if (m_pView && m_pView != sender)
        m_pView->OnUpdate(sender, hint);
}

DocTemplateStrings DocTemplateStrings::Parse(const QString& text)
{
    const QStringList f = text.split('\n');
    auto at = [&](int i) { return i < f.size() ? f[i] : QString(); };
    return {at(0), at(1), at(2), at(3), at(4), at(5), at(6)};
}

CDocTemplate::CDocTemplate(unsigned resourceId, DocFactory doc, FrameFactory frame)
    : m_strings(DocTemplateStrings::Parse(res::LoadString(resourceId)))
    , m_docFactory(std::move(doc))
    , m_frameFactory(std::move(frame))
{
}

CDocTemplate::~CDocTemplate()
{
    if (m_pFrame) {
        CFrameWnd* frame = m_pFrame;
        m_pFrame = nullptr;
        delete frame;
    }
}

void CDocTemplate::SetDefaultTitle(CDocument* doc)
{
    QString title = m_strings.docName;
    if (title.isEmpty())
        title = res::LoadString(ids::AFX_IDS_UNTITLED);
    doc->SetTitle(title);
}

CDocument* CDocTemplate::OpenDocumentFile(const QString& name)
{
    // Resolved now: opening may change the current folder, and a relative
    // name would then name another file.
    const QString path = name.isEmpty() ? QString() : QFileInfo(name).absoluteFilePath();
    bool created = false;
    if (m_pDocument) {
        if (!m_pDocument->SaveModified())
            return nullptr;
    } else {
        m_pDocument = m_docFactory();
        m_pDocument->SetDocTemplate(this);
    }
    CDocument* doc = m_pDocument.get();
    if (!m_pFrame) {
        m_pFrame = m_frameFactory(doc);
        if (!m_pFrame)
            return nullptr;
        created = true;
    }

    auto giveUp = [&]() -> CDocument* {
        if (created) {
            CFrameWnd* frame = m_pFrame;
            m_pFrame = nullptr;
            delete frame;
        }
        return nullptr;
    };

    if (path.isEmpty()) {
        SetDefaultTitle(doc);
        if (!doc->OnNewDocument())
            return giveUp();
    } else {
        doc->SetModifiedFlag(false);
        if (!doc->OnOpenDocument(path)) {
            // A file that cannot be opened leaves the recent list, or it
            // would be offered (and at start chosen) again and again.
            if (CWinApp* app = AfxGetApp())
                app->RemoveFromRecentFileList(path);
            if (created)
                return giveUp();
            // The old contents were already let go of: start a new theme so
            // the window never shows one that is no longer in memory.
            SetDefaultTitle(doc);
            doc->OnNewDocument();
            if (CView* view = doc->GetView())
                view->OnInitialUpdate();
            m_pFrame->OnUpdateFrameTitle();
            return nullptr;
        }
        doc->SetPathName(path);
    }
    if (CView* view = doc->GetView())
        view->OnInitialUpdate();
    m_pFrame->OnUpdateFrameTitle();
    return doc;
}

bool CDocTemplate::CloseDocument()
{
    if (!m_pDocument)
        return true;
    if (!m_pDocument->SaveModified())
        return false;
    m_pDocument->DeleteContents();
    return true;
}

} // namespace fw
