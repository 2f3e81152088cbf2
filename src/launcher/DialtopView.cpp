#include "DialtopView.h"

#include "ImageList.h"
#include "ItemListCtrl.h"

#include "framework/FrameWnd.h"
#include "res/ResourceIds.h"
#include "theme/DialtopDoc.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>

namespace {

constexpr int kItemPopup = 0;
constexpr int kTabPopup = 1;
constexpr int kDesktopPopup = 2;

fw::CFrameWnd* frameOf(QWidget* w)
{
    return qobject_cast<fw::CFrameWnd*>(w->window());
}

} // namespace

CDialtopView::CDialtopView(QWidget* parent) : fw::CView(parent)
{
    setObjectName("view");
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

CItemListCtrl* CDialtopView::ListCtrl(int tab) const
{
    return tab >= 0 && tab < int(m_listCtrls.size()) ? m_listCtrls[size_t(tab)] : nullptr;
}

void CDialtopView::OnInitialUpdate()
{
    RemoveAllTabPages();
    CThemeData& theme = GetDocument()->m_theme;
    for (int i = 0; CThemeTab* tab = theme.GetTab(i); ++i) {
        if (!InsertTabPage(i, tab))
            break; // no list ids left: later tabs have no page
        for (int j = 0; CThemeItem* item = theme.GetItem(i, j); ++j) {
            const int index = AddListItem(i, j, item);
            m_pCurList->SetItemPosition(index, item->m_ptPosition);
        }
    }
    m_bChangingTabs = true;
    m_tabCtrl->setCurrentIndex(0);
    m_bChangingTabs = false;
    m_nCurTab = 0;
    ShowCurrentTab();
}

void CDialtopView::OnUpdate(fw::CView*, long)
{
    if (m_pCurList)
        m_pCurList->viewport()->repaint();
    update();
}

bool CDialtopView::InsertTabPage(int i, CThemeTab* pTab)
{
    if (kFirstListId + i >= kFirstListId + kMaxTabPages || i < 0 || i > int(m_listCtrls.size()))
        return false;
    auto* list = new CItemListCtrl(this);
    list->setObjectName(QString("list_%1").arg(kFirstListId + i));
    if (!pTab->m_strBackground.isEmpty())
        list->SetBackground(pTab->m_strBackground);
    auto images = std::make_unique<CImageList>(CItemListCtrl::kIconSize);
    list->SetImageList(images.get());
    list->hide();
    connect(list, &CItemListCtrl::doubleClicked, this, &CDialtopView::RunSelectedItems);
    connect(list, &CItemListCtrl::rightClicked, this, &CDialtopView::OnListRightClick);
    connect(list, &CItemListCtrl::itemMoved, this, [this, list](int index, const QPoint& pos) {
        if (list == m_pCurList)
            OnItemMoved(index, pos);
    });

    m_listCtrls.insert(m_listCtrls.begin() + i, list);
    m_imageLists.insert(m_imageLists.begin() + i, std::move(images));
    m_bChangingTabs = true;
    m_tabCtrl->insertTab(i, pTab->m_strName);
    m_tabCtrl->setCurrentIndex(i);
    m_bChangingTabs = false;
    m_nCurTab = i;
    ShowCurrentTab();
    return true;
}

bool CDialtopView::UpdateTabPage(int tab, CThemeTab* pTab)
{
    if (tab < 0 || tab >= m_tabCtrl->count())
        return false;
    m_tabCtrl->setTabText(tab, pTab->m_strName);
    if (!pTab->m_strBackground.isEmpty() && m_pCurList)
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
        m_pCurList = m_nCurTab < int(m_listCtrls.size()) ? m_listCtrls[size_t(m_nCurTab)] : nullptr;
    if (m_pCurList) {
        m_pCurList->setGeometry(display);
        m_pCurList->raise();
        m_pCurList->show();
    }
}

int CDialtopView::AddIcon(int tab, const CThemeItem& item)
{
    // Icons are looked up again each time an item is shown; the image list
    // only ever grows.
    const QIcon icon = item.GetIcon();
    if (icon.isNull() || tab < 0 || tab >= int(m_imageLists.size()))
        return -1;
    m_pCurImageList = m_imageLists[size_t(tab)].get();
    return m_pCurImageList->Add(icon);
}

int CDialtopView::AddListItem(int tab, int, CThemeItem* pItem)
{
    if (!m_pCurList)
        return -1;
    const int image = AddIcon(tab, *pItem);
    return m_pCurList->InsertItem(m_pCurList->GetItemCount(), pItem->m_strName, image);
}

void CDialtopView::UpdateListItem(int tab, int item, CThemeItem* pItem)
{
    if (!m_pCurList)
        return;
    m_pCurList->SetItem(item, pItem->m_strName, AddIcon(tab, *pItem));
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

void CDialtopView::OnItemMoved(int index, const QPoint& pos)
{
    CDialtopDoc* doc = GetDocument();
    if (CThemeItem* item = doc->m_theme.GetItem(m_nCurTab, index)) {
        item->m_ptPosition = pos;
        // Both flags: the theme is written only when its own flag is set.
        doc->m_theme.m_bModified = true;
        doc->SetModifiedFlag(true);
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

void CDialtopView::OnRunItem()
{
    RunSelectedItems();
}

void CDialtopView::OnUpdateItemSelected(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(HasSelectedItem());
}

bool CDialtopView::OnOwnCmdMsg(unsigned id, fw::CCmdUI* pUpdate, bool probe)
{
    static const std::vector<fw::CmdEntry<CDialtopView>> map = {
        fw::OnCommand<CDialtopView>(ids::ID_RUN_ITEM, &CDialtopView::OnRunItem),
        fw::OnUpdate<CDialtopView>(ids::ID_RUN_ITEM, &CDialtopView::OnUpdateItemSelected),
    };
    return fw::DispatchCmdMsg(this, map, id, pUpdate, probe);
}
