#pragma once
// The launcher view: a tab control with one list of large icons per theme
// tab. Index i of the lists, of the image lists, of the tab control and of
// the theme's tabs denote the same tab; entry j of a list is item j of its tab.
// The commands that change tabs and items live here too.

#include "framework/View.h"

#include <QPoint>
#include <QStringList>
#include <vector>
#include <memory>

class QTabBar;
class CDialtopDoc;
class CImageList;
class CItemListCtrl;
class CThemeItem;
class CThemeTab;

class CDialtopView : public fw::CView
{
    Q_OBJECT
public:
    explicit CDialtopView(QWidget* parent = nullptr);
    ~CDialtopView() override;

    // Tab pages get list ids 500 + index up to 999.
    static constexpr int kFirstListId = 500;
    static constexpr int kMaxTabPages = 500;

    CDialtopDoc* GetDocument() const;

    void OnInitialUpdate() override;
    void OnUpdate(fw::CView* sender, long hint) override;

    bool InsertTabPage(int tab, CThemeTab* pTab);
    bool UpdateTabPage(int tab, CThemeTab* pTab);
    void RemoveAllTabPages();
    void ShowCurrentTab();
    int AddListItem(int tab, int item, CThemeItem* pItem);
    void UpdateListItem(int tab, int item, CThemeItem* pItem);
    void RunSelectedItems();
    void DeleteSelectedItems(bool ask);
    void DeleteCurrentTab(bool ask);
    // Adds each target as an item of the current tab, in order: all at one
    // place (a drop) or each at a free place (null).
    void OnDropFiles(const QStringList& targets, const QPoint* at);

    QTabBar* TabCtrl() const { return m_tabCtrl; }
    CItemListCtrl* CurrentList() const { return m_pCurList; }
    // A tab's list, made when first asked for; null past the last page.
    CItemListCtrl* ListCtrl(int tab);
    int CurrentTab() const { return m_nCurTab; }
    int ListCount() const { return int(m_listCtrls.size()); }

    // Commands.
    void OnRunItem();
    void OnUpdateItemSelected(fw::CCmdUI* pCmdUI);
    void OnNewTab();
    void OnTabProperties();
    void OnDeleteTab();
    void OnNewItem();
    void OnUpdateNewItem(fw::CCmdUI* pCmdUI);
    void OnItemProperties();
    void OnDeleteItem();
    void OnAlignLeft();
    void OnAlignTop();
    void OnUpdateHaveList(fw::CCmdUI* pCmdUI);
    void OnPasteShortcut();
    void OnUpdatePasteShortcut(fw::CCmdUI* pCmdUI);
    void OnEditCopy();
    void OnEditCut();
    void OnEditPaste();
    void OnUpdateEditPaste(fw::CCmdUI* pCmdUI);

protected:
    bool OnOwnCmdMsg(unsigned id, fw::CCmdUI* pUpdate, bool probe) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

    // The list notifications.
    void OnItemMoved(int index, const QPoint& pos);
    void OnListRightClick(const QPoint& globalPos);
    void OnListKeyDown(int key);
    void OnTabSelected(int index);
    void OnTabRightClick(const QPoint& pos);

    bool HasSelectedItem() const;
    int AddIcon(int tab, const CThemeItem& item, QString* toolTip);
    void LoadPendingIcons(int tab);
    CItemListCtrl* MakeListCtrl(int tab, const QString& background);
    void ShowContextMenu(int popup, const QPoint& globalPos);
    void Align(bool left);
    void MarkModified();
    // The drop point in the current list's coordinates; false outside it.
    bool DropPoint(const QPoint& viewPos, QPoint* at) const;

    QTabBar* m_tabCtrl = nullptr;
    std::vector<CItemListCtrl*> m_listCtrls;              // owned; null until first needed
    std::vector<std::unique_ptr<CImageList>> m_imageLists; // owned
    std::vector<char> m_iconsPending;                     // per tab: entries without their icons yet
    CItemListCtrl* m_pCurList = nullptr;
    CImageList* m_pCurImageList = nullptr;
    int m_nCurTab = -1;
    bool m_bChangingTabs = false;
    bool m_bBuilding = false;
};
