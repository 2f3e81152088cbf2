#pragma once
// The main window of the document/view framework: menus, accelerators and
// toolbars built from resources, command routing, update handlers run when a
// menu opens and, for toolbars, when the program is idle, and the status bar's
// message pane with the commands' prompts.

#include "CmdTarget.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>

#include <functional>

class QLabel;
class QMenu;
class QTimer;
class QToolBar;

namespace res {
struct MenuNode;
}

namespace fw {

class CDocument;
class CView;

class CFrameWnd : public QMainWindow, public CCmdTarget
{
    Q_OBJECT
public:
    explicit CFrameWnd(QWidget* parent = nullptr);
    ~CFrameWnd() override;

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* view) { m_pActiveView = view; }
    CDocument* GetActiveDocument() const;

    bool OnCmdMsg(unsigned id, CCmdUI* pUpdate, bool probe = false) override;
    // Runs a command through the routing; false when nobody handled it.
    bool OnCommand(unsigned id);
    // Runs the update handlers of every command action the frame holds.
    void UpdateAllActions();
    void UpdateMenu(QMenu* menu);

    // The action of a command id, with its prompt as status tip and tool tip.
    QAction* GetAction(unsigned id);
    QAction* FindAction(unsigned id) const { return m_actions.value(id); }

    // Status bar message pane (pane 0).
    void SetMessageText(const QString& text);
    QString GetMessageText() const;
    QLabel* MessagePane() const { return m_pMessagePane; }

    // Builds a context menu from a menu resource's popup and runs it at a
    // screen position; the chosen command goes through the routing.
    void TrackPopupMenu(unsigned menuId, int popupIndex, const QPoint& globalPos);
    // Test seam: decides the command a popup would return instead of showing
    // it (0 for none). Receives the menu ready to be shown.
    using PopupHandler = std::function<unsigned(QMenu*)>;
    static PopupHandler SetPopupHandler(PopupHandler handler);

    // The status tip and tool tip of a command, from its prompt string.
    static QString PromptStatus(unsigned id);
    static QString PromptTip(unsigned id);

    // A bar of the frame by its control id; null when there is none.
    virtual QWidget* GetControlBar(unsigned /*nID*/) const { return nullptr; }

    // The frame's title follows the document: "Dialtop - Work".
    void OnUpdateFrameTitle();

protected:
    QMenuBar* BuildMenuBar(unsigned menuId);
    QMenu* BuildMenu(const res::MenuNode& node, QWidget* parent);
    QToolBar* BuildToolBar(unsigned toolbarId, const QString& title, const QString& objectName);
    // Also the table whose keys menus show beside their items; load it
    // before building the menus.
    void LoadAccelTable(unsigned accelId);
    QStatusBar* BuildStatusBar();

    // The frame's own command table; routed after the view and document.
    virtual bool OnOwnCmdMsg(unsigned /*id*/, CCmdUI* /*pUpdate*/, bool /*probe*/) { return false; }
    // The recent-file entries of a menu that holds the placeholder item.
    void FillRecentFiles(QMenu* menu);

    bool event(QEvent* e) override;

    QMap<unsigned, QAction*> m_actions;
    QLabel* m_pMessagePane = nullptr;

private:
    void ScheduleIdleUpdate();
    CView* m_pActiveView = nullptr;
    QTimer* m_pIdleTimer = nullptr;
    bool m_bIdleUpdatePending = false;
    QList<QPointer<QToolBar>> m_toolBars;
    unsigned m_nAccelId = 0;
};

} // namespace fw
