#pragma once
// The document of a single-document program and the template that ties it to
// its frame and view: the new / open / save / save-as / close cycle, the save
// prompt and the window title.

#include "CmdTarget.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace fw {

class CView;
class CFrameWnd;
class CDocTemplate;

class CDocument : public CCmdTarget
{
public:
    CDocument() = default;
    ~CDocument() override = default;

    bool OnCmdMsg(unsigned id, CCmdUI* pUpdate, bool probe = false) override;

    const QString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const QString& title);
    const QString& GetPathName() const { return m_strPathName; }
    virtual void SetPathName(const QString& path, bool addToMRU = true);
    void ClearPathName() { m_strPathName.clear(); }

    virtual bool IsModified() { return m_bModified; }
    virtual void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    virtual void DeleteContents() {}
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString& path);
    virtual bool OnSaveDocument(const QString& path);
    virtual bool SaveModified();
    virtual bool DoSave(const QString& path, bool replace = true);
    bool DoFileSave();

    void UpdateAllViews(CView* sender, long hint = 0);
    void AddView(CView* view) { m_pView = view; }
    CView* GetView() const { return m_pView; }
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    void SetDocTemplate(CDocTemplate* t) { m_pDocTemplate = t; }

protected:
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
    CView* m_pView = nullptr;
    CDocTemplate* m_pDocTemplate = nullptr;
};

// The seven fields of a document template string.
struct DocTemplateStrings
{
    QString windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName;
    static DocTemplateStrings Parse(const QString& text);
};

// Creates the one document, frame and view, and opens documents into them.
class CDocTemplate
{
public:
    using DocFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<CFrameWnd*(CDocument*)>; // creates frame and view

    CDocTemplate(unsigned resourceId, DocFactory doc, FrameFactory frame);
    ~CDocTemplate();

    const DocTemplateStrings& Strings() const { return m_strings; }
    CDocument* GetDocument() const { return m_pDocument.get(); }
    CFrameWnd* GetFrame() const { return m_pFrame; }

    // Null path: a new document. Returns the document, or null when the
    // operation failed or was abandoned. The first call creates the frame.
    CDocument* OpenDocumentFile(const QString& path);
    void SetDefaultTitle(CDocument* doc);
    // Closes the frame's document at shutdown: SaveModified, DeleteContents.
    bool CloseDocument();
    // Lets go of the frame (it deletes itself when closed).
    void FrameDestroyed() { m_pFrame = nullptr; }

private:
    DocTemplateStrings m_strings;
    DocFactory m_docFactory;
    FrameFactory m_frameFactory;
    std::unique_ptr<CDocument> m_pDocument;
    CFrameWnd* m_pFrame = nullptr;
};

} // namespace fw
