#include "FrameWnd.h"

#include "Document.h"
#include "MessageBox.h"
#include "View.h"
#include "WinApp.h"

#include "res/Menus.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>

namespace fw {

namespace {

CFrameWnd::PopupHandler& popupHandler()
{
    static CFrameWnd::PopupHandler h;
    return h;
}

unsigned commandOf(const QAction* a)
{
    bool ok = false;
    const unsigned id = a->data().toUInt(&ok);
    return ok ? id : 0;
}

bool isRecentId(unsigned id)
{
    return id >= ids::ID_FILE_MRU_FIRST && id <= ids::ID_FILE_MRU_LAST;
}

// A recent file as the menu shows it: the home folder as "~", long paths
// shortened in the middle.
QString displayPath(const QString& path)
{
    QString shown = QDir::toNativeSeparators(path);
    const QString home = QDir::homePath();
    if (shown.startsWith(home + "/"))
        shown = "~" + shown.mid(home.size());
    if (shown.size() > 48)
        shown = shown.left(12) + QStringLiteral("...") + shown.right(33);
    return shown.replace('&', "&&");
}

} // namespace

CFrameWnd::CFrameWnd(QWidget* parent) : QMainWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_pIdleTimer = new QTimer(this);
    m_pIdleTimer->setSingleShot(true);
    m_pIdleTimer->setInterval(150);
    connect(m_pIdleTimer, &QTimer::timeout, this, [this] {
        for (const auto& bar : m_toolBars)
            if (bar)
                for (QAction* a : bar->actions())
                    if (const unsigned id = commandOf(a))
                        CCmdUI(id, a).DoUpdate(this);
        m_bIdleUpdatePending = true; // the timer's own wake-up is not new activity
    });
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CFrameWnd::ScheduleIdleUpdate);
}

CFrameWnd::~CFrameWnd() = default;

void CFrameWnd::ScheduleIdleUpdate()
{
    if (m_bIdleUpdatePending) {
        m_bIdleUpdatePending = false;
        return;
    }
    if (!m_pIdleTimer->isActive())
        m_pIdleTimer->start();
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return m_pActiveView ? m_pActiveView->GetDocument() : nullptr;
}

bool CFrameWnd::OnCmdMsg(unsigned id, CCmdUI* pUpdate, bool probe)
{
    if (m_pActiveView && m_pActiveView->OnCmdMsg(id, pUpdate, probe))
        return true;
    if (OnOwnCmdMsg(id, pUpdate, probe))
        return true;

    // The framework's own bar toggles and exit.
    if (id == ids::ID_VIEW_TOOLBAR || id == ids::ID_VIEW_STATUS_BAR) {
        QWidget* bar = nullptr;
        if (id == ids::ID_VIEW_STATUS_BAR)
            bar = statusBar();
        else
            bar = m_toolBars.value(0); // the first bar built is the standard toolbar
        if (!bar)
            return false;
        if (pUpdate) {
            pUpdate->Enable(true);
            pUpdate->SetCheck(bar->isVisible() ? 1 : 0);
        } else if (!probe) {
            bar->setVisible(!bar->isVisible());
        }
        return true;
    }
    if (id == ids::ID_APP_EXIT && !pUpdate) {
        if (!probe)
            QTimer::singleShot(0, this, &QWidget::close);
        return true;
    }
    if (CWinApp* app = AfxGetApp())
        return app->OnCmdMsg(id, pUpdate, probe);
    return false;
}

bool CFrameWnd::OnCommand(unsigned id)
{
    // A disabled command is not run, whatever started it.
    CCmdUI state(id);
    state.DoUpdate(this);
    if (!state.m_bEnabled)
        return false;
    return OnCmdMsg(id, nullptr);
}

QAction* CFrameWnd::GetAction(unsigned id)
{
    if (QAction* a = m_actions.value(id))
        return a;
    auto* a = new QAction(this);
    a->setData(id);
    a->setObjectName(QString("cmd_%1").arg(id));
    a->setStatusTip(PromptStatus(id));
    const QString tip = PromptTip(id);
    a->setToolTip(tip.isEmpty() ? PromptStatus(id) : tip);
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions.insert(id, a);
    return a;
}

void CFrameWnd::UpdateAllActions()
{
    for (auto it = m_actions.begin(); it != m_actions.end(); ++it)
        CCmdUI(it.key(), it.value()).DoUpdate(this);
}

void CFrameWnd::UpdateMenu(QMenu* menu)
{
    if (menu->property("dialtopRecent").toBool())
        FillRecentFiles(menu);
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() || a->menu())
            continue;
        const unsigned id = commandOf(a);
        if (id)
            CCmdUI(id, a, menu).DoUpdate(this);
    }
}

QString CFrameWnd::PromptStatus(unsigned id)
{
    const QString prompt = res::LoadString(id);
    const int nl = prompt.indexOf('\n');
    return nl < 0 ? prompt : prompt.left(nl);
}

QString CFrameWnd::PromptTip(unsigned id)
{
    const QString prompt = res::LoadString(id);
    const int nl = prompt.indexOf('\n');
    return nl < 0 ? QString() : prompt.mid(nl + 1);
}

QMenu* CFrameWnd::BuildMenu(const res::MenuNode& node, QWidget* parent)
{
    auto* menu = new QMenu(node.text, parent);
    QMap<unsigned, QString> shortcutText;
    for (const auto& accel : res::LoadAccelerators(m_nAccelId))
        if (!shortcutText.contains(accel.id))
            shortcutText.insert(accel.id, QKeySequence(accel.key).toString(QKeySequence::NativeText));
    for (const res::MenuNode& child : node.children) {
        if (child.IsSeparator()) {
            menu->addSeparator();
        } else if (child.IsPopup()) {
            QMenu* sub = BuildMenu(child, menu);
            menu->addMenu(sub);
        } else {
            QString text = child.text;
            if (shortcutText.contains(child.id))
                text += "\t" + shortcutText.value(child.id);
            QAction* a = menu->addAction(text);
            a->setData(child.id);
            a->setObjectName(QString("menu_%1").arg(child.id));
            a->setStatusTip(PromptStatus(child.id));
            const unsigned id = child.id;
            connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
            if (isRecentId(id)) {
                menu->setProperty("dialtopRecent", true);
                // Shown, disabled, while the list is empty.
                menu->setProperty("dialtopRecentText", child.text);
            }
        }
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
    connect(menu, &QMenu::aboutToHide, this, [this] { SetMessageText(QString()); });
    return menu;
}

void CFrameWnd::FillRecentFiles(QMenu* menu)
{
    int insertAt = -1;
    const QList<QAction*> actions = menu->actions();
    for (int i = 0; i < actions.size(); ++i) {
        if (isRecentId(commandOf(actions[i]))) {
            if (insertAt < 0)
                insertAt = i;
            menu->removeAction(actions[i]);
            actions[i]->deleteLater();
        }
    }
    if (insertAt < 0)
        return;
    QAction* before = menu->actions().value(insertAt, nullptr);
    CWinApp* app = AfxGetApp();
    const QStringList recent = app ? app->RecentFiles() : QStringList();
    QList<QAction*> entries;
    if (recent.isEmpty()) {
        auto* a = new QAction(menu->property("dialtopRecentText").toString(), menu);
        a->setData(ids::ID_FILE_MRU_FIRST);
        entries << a;
    }
    for (int i = 0; i < recent.size(); ++i) {
        const unsigned id = ids::ID_FILE_MRU_FIRST + unsigned(i);
        auto* a = new QAction(QString("&%1 %2").arg(i + 1).arg(displayPath(recent[i])), menu);
        a->setData(id);
        a->setStatusTip(PromptStatus(id));
        connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
        entries << a;
    }
    for (QAction* a : entries) {
        a->setObjectName(QString("menu_%1").arg(commandOf(a)));
        menu->insertAction(before, a);
    }
}

QMenuBar* CFrameWnd::BuildMenuBar(unsigned menuId)
{
    QMenuBar* bar = menuBar();
    bar->clear();
    for (const res::MenuNode& top : res::LoadMenu(menuId))
        bar->addMenu(BuildMenu(top, bar));
    return bar;
}

QToolBar* CFrameWnd::BuildToolBar(unsigned toolbarId, const QString& title, const QString& objectName)
{
    auto* bar = new QToolBar(title, this);
    bar->setObjectName(objectName); // saveState needs a stable name
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    for (unsigned id : res::LoadToolBar(toolbarId)) {
        if (id == 0) {
            bar->addSeparator();
            continue;
        }
        QAction* a = GetAction(id);
        a->setIcon(QIcon(QString(":/toolbar/%1.png").arg(id)));
        if (a->text().isEmpty())
            a->setText(PromptTip(id).trimmed());
        bar->addAction(a);
    }
    m_toolBars << bar;
    return bar;
}

void CFrameWnd::LoadAccelTable(unsigned accelId)
{
    m_nAccelId = accelId;
    QMap<unsigned, QList<QKeySequence>> keys;
    for (const auto& accel : res::LoadAccelerators(accelId))
        keys[accel.id] << QKeySequence(accel.key);
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        QAction* a = GetAction(it.key());
        a->setShortcuts(it.value());
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
}

QStatusBar* CFrameWnd::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QString("statusbar_%1").arg(ids::AFX_IDW_STATUS_BAR));
    m_pMessagePane = new QLabel(bar);
    m_pMessagePane->setObjectName("pane0");
    m_pMessagePane->setText(res::LoadString(ids::AFX_IDS_IDLEMESSAGE));
    bar->addWidget(m_pMessagePane, 1);
    return bar;
}

void CFrameWnd::SetMessageText(const QString& text)
{
    if (m_pMessagePane)
        m_pMessagePane->setText(text.isEmpty() ? res::LoadString(ids::AFX_IDS_IDLEMESSAGE) : text);
}

QString CFrameWnd::GetMessageText() const
{
    return m_pMessagePane ? m_pMessagePane->text() : QString();
}

bool CFrameWnd::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip) {
        SetMessageText(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

CFrameWnd::PopupHandler CFrameWnd::SetPopupHandler(PopupHandler handler)
{
    PopupHandler old = std::move(popupHandler());
    popupHandler() = std::move(handler);
    return old;
}

void CFrameWnd::TrackPopupMenu(unsigned menuId, int popupIndex, const QPoint& globalPos)
{
    const auto& menus = res::LoadMenu(menuId);
    if (popupIndex < 0 || popupIndex >= int(menus.size()))
        return;
    QMenu* menu = BuildMenu(menus[size_t(popupIndex)], this);
    unsigned chosen = 0;
    if (popupHandler()) {
        UpdateMenu(menu);
        chosen = popupHandler()(menu);
    } else {
        QAction* a = menu->exec(globalPos);
        chosen = a ? commandOf(a) : 0;
        // The action already ran through its own connection.
        if (a)
            chosen = 0;
    }
    menu->deleteLater();
    if (chosen)
        OnCommand(chosen);
}

void CFrameWnd::OnUpdateFrameTitle()
{
    QString title = AppName();
    if (CDocument* doc = GetActiveDocument())
        if (!doc->GetTitle().isEmpty())
            title += QStringLiteral(" - ") + doc->GetTitle();
    setWindowTitle(title);
}

} // namespace fw
