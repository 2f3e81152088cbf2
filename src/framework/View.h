#pragma once

#include "CmdTarget.h"

#include <QWidget>

namespace fw {

class CDocument;

// A view: a widget that shows its document and routes commands to it.
class CView : public QWidget, public CCmdTarget
{
    Q_OBJECT
public:
    explicit CView(QWidget* parent = nullptr) : QWidget(parent) {}

    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* doc) { m_pDocument = doc; }

    // After a new or opened document: rebuild from it.
    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0); }
    // The document changed: by default, repaint.
    virtual void OnUpdate(CView* /*sender*/, long /*hint*/) { update(); }

    bool OnCmdMsg(unsigned id, CCmdUI* pUpdate, bool probe = false) override;

protected:
    // The view's own table; the document is asked next.
    virtual bool OnOwnCmdMsg(unsigned /*id*/, CCmdUI* /*pUpdate*/, bool /*probe*/) { return false; }

private:
    CDocument* m_pDocument = nullptr;
};

} // namespace fw
