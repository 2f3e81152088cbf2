#pragma once
// Property sheets: pages built from dialog templates, shown as tabs of one
// modal dialog with OK and Cancel. A page is initialised when it is first
// shown; OK applies every page that was shown, in page order, Cancel none.

#include "framework/Dialog.h"

#include <QPointer>

#include <vector>

class QTabWidget;

namespace fw {

class CPropertySheet;

class CPropertyPage : public CDialog
{
    Q_OBJECT
public:
    explicit CPropertyPage(unsigned templateId);

    // Applies the page's fields; false keeps the sheet open on this page.
    virtual bool OnApply();
    // Leaving the page or pressing OK: takes the fields from the controls.
    virtual bool OnKillActive();

    CPropertySheet* GetSheet() const { return m_pSheet; }
    QString GetTitle() const { return m_template.caption; }
    // The page's size in pixels, from its template and the dialog font.
    QSize GetPageSize() const;
    bool IsInitialized() const { return m_bInitialized; }

protected:
    bool OnInitDialog() override;
    // A page does not end by itself; the sheet's buttons do.
    void OnOK() override {}
    void OnCancel() override;

private:
    friend class CPropertySheet;
    CPropertySheet* m_pSheet = nullptr;
    bool m_bInitialized = false;
};

class CPropertySheet : public CDialog
{
    Q_OBJECT
public:
    explicit CPropertySheet(const QString& caption, QWidget* parent = nullptr);
    // Hands back the pages that outlive it instead of deleting them with its
    // widgets.
    ~CPropertySheet() override;

    // The sheet does not own its pages (they are normally its members);
    // they are added before the sheet is created.
    void AddPage(CPropertyPage* pPage);
    // Puts a page before the one at nIndex (at the end past the last), so a
    // page that another part of the program supplies can take its tab.
    void InsertPage(int nIndex, CPropertyPage* pPage);
    // Takes a page out of the sheet; the page stays its owner's.
    void RemovePage(CPropertyPage* pPage);
    int GetPageCount() const { return int(m_pages.size()); }
    CPropertyPage* GetPage(int i) const;
    int GetActiveIndex() const;
    // Shows a page, initialising it when it is shown for the first time.
    bool SetActivePage(int i);

    enum Button { PSBTN_OK = 1, PSBTN_CANCEL = 2 };
    // What the OK and Cancel buttons do.
    void PressButton(Button button);
    // Closes the sheet later, from the event loop, without applying: for a
    // page whose action makes the sheet pointless (its object is gone).
    void PostClose();

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void OnCurrentChanged(int index);

    // Pages are usually members of a derived sheet and are gone before this
    // base is destroyed: the pointers tell which are still there.
    std::vector<QPointer<CPropertyPage>> m_pages;
    QTabWidget* m_pTabs = nullptr;
    bool m_bClosing = false;
};

} // namespace fw
