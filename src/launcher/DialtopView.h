#pragma once
// The launcher view: a tab control with one list of large icons per theme
// tab. Index i of the lists, of the image lists, of the tab control and of
// the theme's tabs denote the same tab; entry j of a list is item j of its tab.

#include "framework/View.h"

#include <QPoint>
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

    QTabBar* TabCtrl() const { return m_tabCtrl; }
    CItemListCtrl* CurrentList() const { return m_pCurList; }
    CItemListCtrl* ListCtrl(int tab) const;
    int CurrentTab() const { return m_nCurTab; }
    int ListCount() const { return int(m_listCtrls.size()); }

    // Commands.
    void OnRunItem();
    void OnUpdateItemSelected(fw::CCmdUI* pCmdUI);

protected:
    bool OnOwnCmdMsg(unsigned id, fw::CCmdUI* pUpdate, bool probe) override;
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

    // The list notifications.
    void OnItemMoved(int index, const QPoint& pos);
    void OnListRightClick(const QPoint& globalPos);
    void OnTabSelected(int index);
    void OnTabRightClick(const QPoint& pos);

    bool HasSelectedItem() const;
    int AddIcon(int tab, const CThemeItem& item);
    void ShowContextMenu(int popup, const QPoint& globalPos);

    QTabBar* m_tabCtrl = nullptr;
    std::vector<CItemListCtrl*> m_listCtrls;              // owned
    std::vector<std::unique_ptr<CImageList>> m_imageLists; // owned
    CItemListCtrl* m_pCurList = nullptr;
    CImageList* m_pCurImageList = nullptr;
    int m_nCurTab = -1;
    bool m_bChangingTabs = false;
};
