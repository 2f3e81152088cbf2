#include "DialtopView.h"

#include "ImageList.h"
#include "ItemDialogs.h"
#include "ItemListCtrl.h"
#include "ItemTargets.h"
#include "LauncherClipboard.h"
#include "TabDialog.h"

#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "platform/shell/Execute.h"
#include "platform/shell/FileList.h"
#include "platform/shell/Icons.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/DialtopDoc.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QIcon>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>
#include <QUrl>

namespace {

constexpr int kItemPopup = 0;
constexpr int kTabPopup = 1;
constexpr int kDesktopPopup = 2;

fw::CFrameWnd* frameOf(QWidget* w)
{
    return qobject_cast<fw::CFrameWnd*>(w->window());
}

using namespace ThemeRecord;

// What the user typed is kept to what the theme file can hold, so the theme
// can always be saved.
void StoreItemText(CThemeItem& item, const QString& name, const QString& target)
{
    item.m_strName = FitToField(name, kItemNameWidth);
    item.m_strTarget = FitToField(target, kItemPathWidth);
}

// A target that names nothing on this machine (addresses always name something).
bool IsMissingTarget(const CThemeItem& item)
{
    return !item.m_strTarget.isEmpty() && GetUrlScheme(item.m_strTarget) == URL_NONE
        && shell::ResolveTarget(item.m_strTarget, item.m_strStartIn).isEmpty();
}

} // namespace

CDialtopView::CDialtopView(QWidget* parent) : fw::CView(parent)
{
    setObjectName("view");
    setAcceptDrops(true);
    m_tabCtrl = new QTabBar(this);
    m_tabCtrl->setObjectName("tabctrl");
    m_tabCtrl->setExpanding(false);
    m_tabCtrl->setUsesScrollButtons(true);
    m_tabCtrl->setContextMenuPolicy(Qt::CustomContextMenu);
    // Clicks and keyboard changes of the selection both make a tab current.
    connect(m_tabCtrl, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_bChangingTabs)
            OnTabSelected(index);
    });
    connect(m_tabCtrl, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == m_tabCtrl->currentIndex())
            OnTabSelected(index);
    });
    connect(m_tabCtrl, &QTabBar::customContextMenuRequested, this, &CDialtopView::OnTabRightClick);
}

CDialtopView::~CDialtopView()
{
    RemoveAllTabPages();
}

CDialtopDoc* CDialtopView::GetDocument() const
{
    return static_cast<CDialtopDoc*>(fw::CView::GetDocument());
}

CItemListCtrl* CDialtopView::ListCtrl(int tab)
{
    if (tab < 0 || tab >= int(m_listCtrls.size()))
        return nullptr;
    CItemListCtrl*& list = m_listCtrls[size_t(tab)];
    if (!list) {
        // A page of the opened theme: its entries at their stored places,
        // icons still to come.
        const CThemeData& theme = GetDocument()->m_theme;
        const CThemeTab* pTab = theme.GetTab(tab);
        list = MakeListCtrl(tab, pTab ? pTab->m_strBackground : QString());
        for (int j = 0; const CThemeItem* item = theme.GetItem(tab, j); ++j)
            list->InsertItem(j, item->m_strName, -1, item->m_ptPosition);
    }
    return list;
}

CItemListCtrl* CDialtopView::MakeListCtrl(int tab, const QString& background)
{
    auto* list = new CItemListCtrl(this);
    list->setObjectName(QString("list_%1").arg(kFirstListId + tab));
    if (!background.isEmpty())
        list->SetBackground(background);
    list->SetImageList(m_imageLists[size_t(tab)].get());
    list->hide();
    connect(list, &CItemListCtrl::doubleClicked, this, &CDialtopView::RunSelectedItems);
    connect(list, &CItemListCtrl::returnPressed, this, &CDialtopView::RunSelectedItems);
    connect(list, &CItemListCtrl::rightClicked, this, &CDialtopView::OnListRightClick);
    connect(list, &CItemListCtrl::keyDown, this, &CDialtopView::OnListKeyDown);
    connect(list, &CItemListCtrl::itemMoved, this, [this, list](int index, const QPoint& pos) {
        if (list == m_pCurList)
            OnItemMoved(index, pos);
    });
    return list;
}

void CDialtopView::MarkModified()
{
    // Both flags: the theme is written only when its own flag is set.
    CDialtopDoc* doc = GetDocument();
    doc->m_theme.m_bModified = true;
    doc->SetModifiedFlag(true);
}

void CDialtopView::OnInitialUpdate()
{
    RemoveAllTabPages();
    CThemeData& theme = GetDocument()->m_theme;
    // A page's list, its entries and their icons are made when the page is
    // first shown or asked for, so a theme of many tabs opens quickly.
    m_bBuilding = true;
    for (int i = 0; CThemeTab* tab = theme.GetTab(i); ++i)
        if (!InsertTabPage(i, tab))
            break; // no list ids left: later tabs have no page
    m_bBuilding = false;
    m_bChangingTabs = true;
    m_tabCtrl->setCurrentIndex(0);
    m_bChangingTabs = false;
    m_nCurTab = 0;
    m_pCurList = nullptr;
    ShowCurrentTab();
}

void CDialtopView::OnUpdate(fw::CView*, long)
{
    if (m_pCurList)
        m_pCurList->viewport()->update();
    update();
}

bool CDialtopView::InsertTabPage(int i, CThemeTab* pTab)
{
    if (kFirstListId + i >= kFirstListId + kMaxTabPages || i < 0 || i > int(m_listCtrls.size()))
        return false;
    m_imageLists.insert(m_imageLists.begin() + i, std::make_unique<CImageList>(CItemListCtrl::kIconSize));
    // A page of the opened theme gets its list when first needed; a new or
    // pasted one at once, empty, for the caller to fill.
    m_listCtrls.insert(m_listCtrls.begin() + i, m_bBuilding ? nullptr : MakeListCtrl(i, pTab->m_strBackground));
    m_iconsPending.insert(m_iconsPending.begin() + i, m_bBuilding ? 1 : 0);
    m_bChangingTabs = true;
    m_tabCtrl->insertTab(i, pTab->m_strName);
    m_tabCtrl->setCurrentIndex(i);
    m_bChangingTabs = false;
    m_nCurTab = i;
    if (!m_bBuilding)
        ShowCurrentTab();
    return true;
}

bool CDialtopView::UpdateTabPage(int tab, CThemeTab* pTab)
{
    if (tab < 0 || tab >= m_tabCtrl->count())
        return false;
    m_tabCtrl->setTabText(tab, pTab->m_strName);
    // An emptied path takes the picture away at once.
    if (m_pCurList)
        m_pCurList->SetBackground(pTab->m_strBackground);
    ShowCurrentTab();
    return true;
}

void CDialtopView::RemoveAllTabPages()
{
    for (CItemListCtrl* list : m_listCtrls)
        delete list;
    m_listCtrls.clear();
    m_imageLists.clear();
    m_iconsPending.clear();
    m_pCurList = nullptr;
    m_pCurImageList = nullptr;
    m_nCurTab = 0;
    m_bChangingTabs = true;
    while (m_tabCtrl->count() > 0)
        m_tabCtrl->removeTab(m_tabCtrl->count() - 1);
    m_bChangingTabs = false;
}

void CDialtopView::ShowCurrentTab()
{
    const int top = m_tabCtrl->sizeHint().height();
    const QRect display(0, top, width(), std::max(0, height() - top));
    if (m_nCurTab < 0)
        return;
    if (m_pCurList)
        m_pCurList->hide();
    // A tab past the last list (beyond the page limit) shows no list.
    if (!m_listCtrls.empty())
        m_pCurList = ListCtrl(m_nCurTab);
    if (m_pCurList) {
        LoadPendingIcons(m_nCurTab);
        m_pCurList->setGeometry(display);
        m_pCurList->raise();
        m_pCurList->show();
    }
}

int CDialtopView::AddIcon(int tab, const CThemeItem& item, QString* toolTip)
{
    // Icons are looked up again each time an item is shown; the image list
    // only ever grows. A broken item stays visible, greyed, and says why.
    if (tab < 0 || tab >= int(m_imageLists.size()))
        return -1;
    const bool missing = IsMissingTarget(item);
    const QIcon icon = missing ? shell::LoadAppIcon(ids::IDI_DEFAULTITEM) : item.GetIcon();
    if (toolTip)
        *toolTip = missing ? tr("Not found: %1").arg(item.m_strTarget) : QString();
    if (icon.isNull())
        return -1;
    m_pCurImageList = m_imageLists[size_t(tab)].get();
    return m_pCurImageList->Add(icon, devicePixelRatioF(), missing);
}

void CDialtopView::LoadPendingIcons(int tab)
{
    if (tab < 0 || tab >= int(m_iconsPending.size()) || !m_iconsPending[size_t(tab)])
        return;
    CItemListCtrl* list = ListCtrl(tab);
    m_iconsPending[size_t(tab)] = 0;
    const CThemeData& theme = GetDocument()->m_theme;
    for (int j = 0; j < list->GetItemCount(); ++j) {
        const CThemeItem* item = theme.GetItem(tab, j);
        if (!item)
            break;
        QString tip;
        list->SetItem(j, item->m_strName, AddIcon(tab, *item, &tip));
        list->SetItemToolTip(j, tip);
    }
}

int CDialtopView::AddListItem(int tab, int, CThemeItem* pItem)
{
    if (!m_pCurList)
        return -1;
    QString tip;
    const int image = AddIcon(tab, *pItem, &tip);
    const int index = m_pCurList->InsertItem(m_pCurList->GetItemCount(), pItem->m_strName, image);
    m_pCurList->SetItemToolTip(index, tip);
    return index;
}

void CDialtopView::UpdateListItem(int tab, int item, CThemeItem* pItem)
{
    if (!m_pCurList)
        return;
    QString tip;
    m_pCurList->SetItem(item, pItem->m_strName, AddIcon(tab, *pItem, &tip));
    m_pCurList->SetItemToolTip(item, tip);
}

void CDialtopView::RunSelectedItems()
{
    if (!m_pCurList)
        return;
    CThemeData& theme = GetDocument()->m_theme;
    for (int k = m_pCurList->GetItemCount() - 1; k >= 0; --k)
        if (m_pCurList->IsSelected(k))
            if (CThemeItem* item = theme.GetItem(m_nCurTab, k))
                item->Launch();
}

bool CDialtopView::HasSelectedItem() const
{
    return m_pCurList && m_pCurList->GetSelectedCount() > 0;
}

void CDialtopView::DeleteSelectedItems(bool ask)
{
    if (!m_pCurList)
        return;
    CThemeData& theme = GetDocument()->m_theme;
    for (int k = m_pCurList->GetItemCount() - 1; k >= 0; --k) {
        if (!m_pCurList->IsSelected(k))
            continue;
        CThemeItem* item = theme.GetItem(m_nCurTab, k);
        if (!item)
            continue;
        if (ask && fw::MessageBox(res::FormatString(ids::IDS_DELETE_ITEM, {item->m_strName}),
                                  fw::MB_YESNO | fw::MB_ICONQUESTION, this) != fw::IDYES)
            continue;
        m_pCurList->DeleteItem(k);
        theme.RemoveItem(m_nCurTab, k);
        MarkModified();
    }
}

void CDialtopView::DeleteCurrentTab(bool ask)
{
    CThemeData& theme = GetDocument()->m_theme;
    CThemeTab* tab = theme.GetTab(m_nCurTab);
    if (!tab)
        return;
    if (ask && fw::MessageBox(res::FormatString(ids::IDS_DELETE_TAB, {tab->m_strName}),
                              fw::MB_YESNO | fw::MB_ICONQUESTION, this) != fw::IDYES)
        return;
    const int index = m_nCurTab;
    theme.RemoveTab(index);
    if (index < int(m_listCtrls.size())) {
        if (m_pCurList == m_listCtrls[size_t(index)])
            m_pCurList = nullptr;
        delete m_listCtrls[size_t(index)];
        m_listCtrls.erase(m_listCtrls.begin() + index);
        m_imageLists.erase(m_imageLists.begin() + index);
        m_iconsPending.erase(m_iconsPending.begin() + index);
        m_pCurImageList = nullptr;
    }
    m_bChangingTabs = true;
    m_tabCtrl->removeTab(index);
    // The tab before becomes current; after the first tab, the new first one,
    // as the tab control shows it selected.
    m_nCurTab = index - 1;
    if (m_nCurTab < 0 && m_tabCtrl->count() > 0)
        m_nCurTab = 0;
    if (m_nCurTab >= 0)
        m_tabCtrl->setCurrentIndex(m_nCurTab);
    m_bChangingTabs = false;
    MarkModified();
    ShowCurrentTab();
}

void CDialtopView::OnDropFiles(const QStringList& targets, const QPoint* at)
{
    if (!m_pCurList || !GetDocument()->m_theme.GetTab(m_nCurTab))
        return;
    CThemeData& theme = GetDocument()->m_theme;
    for (const QString& target : targets) {
        // A path cut to fit the file would name another file: leave it out.
        if (!FitsField(target, kItemPathWidth))
            continue;
        const int n = theme.GetItemCount(m_nCurTab);
        CThemeItem* item = theme.InsertItem(m_nCurTab, n);
        if (!item)
            return;
        item->m_strTarget = target;
        item->InitFromTarget();
        if (item->m_strName.isEmpty() && GetUrlScheme(target) != URL_NONE) {
            const QUrl url(target);
            item->m_strName = url.host().isEmpty() ? url.path() : url.host();
        }
        item->m_strName = FitToField(item->m_strName, kItemNameWidth);
        item->m_strIconFile = FitsField(item->m_strIconFile, kItemPathWidth) ? item->m_strIconFile : QString();
        const int index = AddListItem(m_nCurTab, n, item);
        if (at)
            m_pCurList->SetItemPosition(index, *at);
        item->m_ptPosition = m_pCurList->GetItemPosition(index);
        MarkModified();
    }
}

void CDialtopView::OnItemMoved(int index, const QPoint& pos)
{
    if (CThemeItem* item = GetDocument()->m_theme.GetItem(m_nCurTab, index)) {
        item->m_ptPosition = pos;
        MarkModified();
    }
}

void CDialtopView::OnTabSelected(int index)
{
    m_nCurTab = index;
    ShowCurrentTab();
}

void CDialtopView::ShowContextMenu(int popup, const QPoint& globalPos)
{
    if (fw::CFrameWnd* frame = frameOf(this))
        frame->TrackPopupMenu(ids::IDR_CONTEXTMENUS, popup, globalPos);
}

void CDialtopView::OnListRightClick(const QPoint& globalPos)
{
    ShowContextMenu(HasSelectedItem() ? kItemPopup : kDesktopPopup, globalPos);
}

void CDialtopView::OnListKeyDown(int key)
{
    if (key == Qt::Key_Delete)
        DeleteSelectedItems(true);
}

void CDialtopView::OnTabRightClick(const QPoint& pos)
{
    ShowContextMenu(kTabPopup, m_tabCtrl->mapToGlobal(pos));
}

void CDialtopView::resizeEvent(QResizeEvent* e)
{
    fw::CView::resizeEvent(e);
    m_tabCtrl->setGeometry(0, 0, width(), m_tabCtrl->sizeHint().height());
    m_tabCtrl->show();
    ShowCurrentTab();
}

void CDialtopView::paintEvent(QPaintEvent*)
{
    // The area below the tabs belongs to the lists; with none shown it is bare.
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
}

// ---- Drops from file managers and browsers

bool CDialtopView::DropPoint(const QPoint& viewPos, QPoint* at) const
{
    if (!m_pCurList || !m_pCurList->isVisible())
        return false;
    QWidget* vp = m_pCurList->viewport();
    const QPoint local = vp->mapFrom(this, viewPos);
    if (!vp->rect().contains(local))
        return false;
    *at = m_pCurList->ViewportToContent(local);
    return true;
}

void CDialtopView::dragEnterEvent(QDragEnterEvent* e)
{
    if (m_pCurList && shell::HasTargets(e->mimeData()))
        e->acceptProposedAction();
}

void CDialtopView::dragMoveEvent(QDragMoveEvent* e)
{
    QPoint at;
    if (DropPoint(e->position().toPoint(), &at)) {
        // A link, never a move: the dropped file stays where it is.
        e->setDropAction(e->possibleActions() & Qt::LinkAction ? Qt::LinkAction : Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CDialtopView::dropEvent(QDropEvent* e)
{
    QPoint at;
    if (!DropPoint(e->position().toPoint(), &at)) {
        e->ignore();
        return;
    }
    e->setDropAction(e->possibleActions() & Qt::LinkAction ? Qt::LinkAction : Qt::CopyAction);
    e->accept();
    OnDropFiles(shell::TargetsFromMimeData(e->mimeData()), &at);
}

// ---- Commands

void CDialtopView::OnRunItem()
{
    RunSelectedItems();
}

void CDialtopView::OnUpdateItemSelected(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(HasSelectedItem());
}

void CDialtopView::OnNewTab()
{
    const int s = m_tabCtrl->currentIndex();
    CAddTabDlg dlg(this);
    if (dlg.DoModal() != fw::IDOK)
        return;
    CThemeTab* tab = GetDocument()->m_theme.InsertTab(s + 1);
    if (!tab)
        return;
    tab->m_strName = FitToField(dlg.m_strName, kTabNameWidth);
    tab->m_strBackground = FitToField(dlg.m_strBackground, kTabNameWidth);
    InsertTabPage(s + 1, tab);
    MarkModified();
}

void CDialtopView::OnTabProperties()
{
    CThemeTab* tab = GetDocument()->m_theme.GetTab(m_nCurTab);
    if (!tab)
        return;
    CAddTabDlg dlg(this);
    dlg.m_strName = tab->m_strName;
    dlg.m_strBackground = tab->m_strBackground;
    dlg.m_strCaption = res::LoadString(ids::IDS_TAB_PROPERTIES);
    if (dlg.DoModal() != fw::IDOK)
        return;
    tab->m_strName = FitToField(dlg.m_strName, kTabNameWidth);
    tab->m_strBackground = FitToField(dlg.m_strBackground, kTabNameWidth);
    UpdateTabPage(m_nCurTab, tab);
    MarkModified();
}

void CDialtopView::OnDeleteTab()
{
    DeleteCurrentTab(true);
}

void CDialtopView::OnNewItem()
{
    const int s = m_tabCtrl->currentIndex();
    if (s < 0 || s != m_nCurTab || !m_pCurList)
        return;
    CAddItemDlg dlg(this);
    if (dlg.DoModal() != fw::IDOK)
        return;
    const int n = m_pCurList->GetItemCount();
    CThemeItem* item = GetDocument()->m_theme.InsertItem(s, n);
    if (!item)
        return;
    StoreItemText(*item, dlg.m_strName, dlg.m_strTarget);
    const int index = AddListItem(s, n, item);
    item->m_ptPosition = m_pCurList->GetItemPosition(index);
    MarkModified();
}

void CDialtopView::OnUpdateNewItem(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_tabCtrl->currentIndex() >= 0 && m_pCurList);
}

void CDialtopView::OnItemProperties()
{
    if (!m_pCurList)
        return;
    CThemeData& theme = GetDocument()->m_theme;
    for (int k = m_pCurList->GetItemCount() - 1; k >= 0; --k) {
        CThemeItem* item = theme.GetItem(m_nCurTab, k);
        if (!m_pCurList->IsSelected(k) || !item)
            continue;
        CItemPropertiesDlg dlg(this);
        dlg.m_strName = item->m_strName;
        dlg.m_strTarget = item->m_strTarget;
        dlg.m_nIconIndex = item->m_nIconIndex;
        dlg.m_strIconFile = item->m_strIconFile;
        dlg.m_strStartIn = item->m_strStartIn;
        dlg.m_nShowCmd = item->m_nShowCmd;
        dlg.m_strArguments = item->m_strArguments;
        dlg.m_bDialFirst = item->m_bDialFirst;
        dlg.m_strDescription = item->m_strDescription;
        if (dlg.DoModal() != fw::IDOK)
            continue;
        StoreItemText(*item, dlg.m_strName, dlg.m_strTarget);
        item->m_nIconIndex = dlg.m_nIconIndex;
        item->m_strIconFile = FitToField(dlg.m_strIconFile, kItemPathWidth);
        item->m_strStartIn = FitToField(dlg.m_strStartIn, kItemPathWidth);
        item->m_nShowCmd = dlg.m_nShowCmd;
        item->m_strArguments = FitToField(dlg.m_strArguments, kItemNameWidth);
        item->m_bDialFirst = dlg.m_bDialFirst;
        item->m_strDescription = FitToField(dlg.m_strDescription, kItemPathWidth);
        UpdateListItem(m_nCurTab, k, item);
        MarkModified();
    }
}

void CDialtopView::OnDeleteItem()
{
    DeleteSelectedItems(true);
}

void CDialtopView::Align(bool left)
{
    if (!m_pCurList)
        return;
    m_pCurList->Arrange(left);
    CThemeData& theme = GetDocument()->m_theme;
    bool changed = false;
    for (int k = m_pCurList->GetItemCount() - 1; k >= 0; --k)
        if (CThemeItem* item = theme.GetItem(m_nCurTab, k)) {
            changed = changed || item->m_ptPosition != m_pCurList->GetItemPosition(k);
            item->m_ptPosition = m_pCurList->GetItemPosition(k);
        }
    // New places are a change like a drag: closing must not lose them.
    if (changed)
        MarkModified();
}

void CDialtopView::OnAlignLeft()
{
    Align(true);
}

void CDialtopView::OnAlignTop()
{
    Align(false);
}

void CDialtopView::OnUpdateHaveList(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_pCurList != nullptr);
}

void CDialtopView::OnPasteShortcut()
{
    // Pasted files have no drop point: each takes the next free place.
    OnDropFiles(shell::ClipboardTargets(), nullptr);
}

void CDialtopView::OnUpdatePasteShortcut(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(shell::ClipboardHasTargets());
}

void CDialtopView::OnEditCopy()
{
    if (!m_pCurList)
        return;
    ClearCopiedItems();
    CThemeData& theme = GetDocument()->m_theme;
    for (int k = m_pCurList->GetItemCount() - 1; k >= 0; --k)
        if (m_pCurList->IsSelected(k))
            if (CThemeItem* item = theme.GetItem(m_nCurTab, k)) {
                g_pCopiedItem = std::make_unique<CThemeItem>();
                g_pCopiedItem->Copy(*item);
            }
    if (!g_pCopiedItem)
        if (CThemeTab* tab = theme.GetTab(m_nCurTab)) {
            g_pCopiedTab = std::make_unique<CThemeTab>();
            g_pCopiedTab->Copy(*tab);
        }
}

void CDialtopView::OnEditCut()
{
    if (!m_pCurList)
        return;
    OnEditCopy();
    if (HasSelectedItem())
        DeleteSelectedItems(false);
    else
        DeleteCurrentTab(false);
}

void CDialtopView::OnEditPaste()
{
    CThemeData& theme = GetDocument()->m_theme;
    const int p = std::max(0, m_tabCtrl->currentIndex());
    if (g_pCopiedTab) {
        CThemeTab* tab = theme.InsertTab(p);
        if (!tab)
            return;
        tab->Copy(*g_pCopiedTab);
        if (InsertTabPage(p, tab))
            for (int j = 0; CThemeItem* item = theme.GetItem(p, j); ++j) {
                const int index = AddListItem(p, j, item);
                m_pCurList->SetItemPosition(index, item->m_ptPosition);
            }
        MarkModified();
    }
    if (g_pCopiedItem && m_pCurList && p == m_nCurTab) {
        const int n = m_pCurList->GetItemCount();
        CThemeItem* item = theme.InsertItem(p, n);
        if (!item)
            return;
        item->Copy(*g_pCopiedItem);
        const int index = AddListItem(p, n, item);
        item->m_ptPosition = m_pCurList->GetItemPosition(index);
        MarkModified();
    }
}

void CDialtopView::OnUpdateEditPaste(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(g_pCopiedItem || g_pCopiedTab);
}

bool CDialtopView::OnOwnCmdMsg(unsigned id, fw::CCmdUI* pUpdate, bool probe)
{
    using V = CDialtopView;
    static const std::vector<fw::CmdEntry<V>> map = {
        fw::OnCommand<V>(ids::ID_RUN_ITEM, &V::OnRunItem),
        fw::OnUpdate<V>(ids::ID_RUN_ITEM, &V::OnUpdateItemSelected),
        fw::OnCommand<V>(ids::ID_NEW_TAB, &V::OnNewTab),
        fw::OnCommand<V>(ids::ID_TAB_PROPERTIES, &V::OnTabProperties),
        fw::OnCommand<V>(ids::ID_DELETE_TAB, &V::OnDeleteTab),
        fw::OnCommand<V>(ids::ID_NEW_ITEM, &V::OnNewItem),
        fw::OnUpdate<V>(ids::ID_NEW_ITEM, &V::OnUpdateNewItem),
        fw::OnCommand<V>(ids::ID_ITEM_PROPERTIES, &V::OnItemProperties),
        fw::OnUpdate<V>(ids::ID_ITEM_PROPERTIES, &V::OnUpdateItemSelected),
        fw::OnCommand<V>(ids::ID_DELETE_ITEM, &V::OnDeleteItem),
        fw::OnUpdate<V>(ids::ID_DELETE_ITEM, &V::OnUpdateItemSelected),
        fw::OnCommand<V>(ids::ID_ALIGN_LEFT, &V::OnAlignLeft),
        fw::OnUpdate<V>(ids::ID_ALIGN_LEFT, &V::OnUpdateHaveList),
        fw::OnCommand<V>(ids::ID_ALIGN_TOP, &V::OnAlignTop),
        fw::OnUpdate<V>(ids::ID_ALIGN_TOP, &V::OnUpdateHaveList),
        fw::OnCommand<V>(ids::ID_PASTE_SHORTCUT, &V::OnPasteShortcut),
        fw::OnUpdate<V>(ids::ID_PASTE_SHORTCUT, &V::OnUpdatePasteShortcut),
        fw::OnCommand<V>(ids::ID_EDIT_COPY, &V::OnEditCopy),
        fw::OnCommand<V>(ids::ID_EDIT_CUT, &V::OnEditCut),
        fw::OnCommand<V>(ids::ID_EDIT_PASTE, &V::OnEditPaste),
        fw::OnUpdate<V>(ids::ID_EDIT_PASTE, &V::OnUpdateEditPaste),
    };
    return fw::DispatchCmdMsg(this, map, id, pUpdate, probe);
}
