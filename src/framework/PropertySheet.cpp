#include "framework/PropertySheet.h"

#include "framework/MessageBox.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace fw {

CPropertyPage::CPropertyPage(unsigned templateId) : CDialog(templateId, nullptr)
{
}

bool CPropertyPage::OnInitDialog()
{
    return CDialog::OnInitDialog();
}

bool CPropertyPage::OnApply()
{
    return true;
}

bool CPropertyPage::OnKillActive()
{
    return UpdateData(true);
}

void CPropertyPage::OnCancel()
{
    // Escape in a page's field cancels the sheet.
    if (m_pSheet)
        m_pSheet->PressButton(CPropertySheet::PSBTN_CANCEL);
}

QSize CPropertyPage::GetPageSize() const
{
    return MapDialogRect(QRect(QPoint(0, 0), m_template.size), font()).size();
}

CPropertySheet::CPropertySheet(const QString& caption, QWidget* parent) : CDialog(0, parent)
{
    SetWindowText(caption);
}

CPropertySheet::~CPropertySheet()
{
    for (CPropertyPage* page : m_pages)
        if (page) {
            page->setParent(nullptr);
            page->m_pSheet = nullptr;
        }
}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    if (!pPage)
        return;
    pPage->m_pSheet = this;
    m_pages.push_back(pPage);
    if (m_pTabs)
        m_pTabs->addTab(pPage, pPage->GetTitle());
}

void CPropertySheet::InsertPage(int nIndex, CPropertyPage* pPage)
{
    if (!pPage)
        return;
    nIndex = qBound(0, nIndex, GetPageCount());
    pPage->m_pSheet = this;
    m_pages.insert(m_pages.begin() + nIndex, pPage);
    if (m_pTabs)
        m_pTabs->insertTab(nIndex, pPage, pPage->GetTitle());
}

void CPropertySheet::RemovePage(CPropertyPage* pPage)
{
    const auto it = std::find(m_pages.begin(), m_pages.end(), pPage);
    if (!pPage || it == m_pages.end())
        return;
    m_pages.erase(it);
    if (m_pTabs)
        m_pTabs->removeTab(m_pTabs->indexOf(pPage));
    pPage->setParent(nullptr);
    pPage->m_pSheet = nullptr;
}

CPropertyPage* CPropertySheet::GetPage(int i) const
{
    return i >= 0 && i < GetPageCount() ? m_pages[size_t(i)].data() : nullptr;
}

int CPropertySheet::GetActiveIndex() const
{
    return m_pTabs ? m_pTabs->currentIndex() : -1;
}

bool CPropertySheet::OnInitDialog()
{
    m_pTabs = new QTabWidget(this);
    QSize pageSize(0, 0);
    for (CPropertyPage* page : m_pages) {
        pageSize = pageSize.expandedTo(page->GetPageSize());
        m_pTabs->addTab(page, page->GetTitle());
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { PressButton(PSBTN_OK); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { PressButton(PSBTN_CANCEL); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTabs);
    layout->addWidget(buttons);
    // The template gave no size; the largest page and the buttons do.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    for (CPropertyPage* page : m_pages)
        page->setMinimumSize(pageSize);
    layout->activate();
    setFixedSize(sizeHint());

    // Only the page shown first is initialised now; the others when shown.
    SetActivePage(0);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CPropertySheet::OnCurrentChanged);
    return true;
}

void CPropertySheet::OnCurrentChanged(int index)
{
    if (CPropertyPage* page = GetPage(index); page && !page->m_bInitialized) {
        page->m_bInitialized = true;
        // Controls made while their page is hidden appear with it; made in a
        // page already on screen they would stay hidden.
        const bool shown = !page->isHidden();
        page->hide();
        page->Create();
        if (shown)
            page->show();
    }
}

bool CPropertySheet::SetActivePage(int i)
{
    CPropertyPage* page = GetPage(i);
    if (!page || !m_pTabs)
        return false;
    m_pTabs->setCurrentIndex(i);
    OnCurrentChanged(i); // the index may not have changed
    return true;
}

void CPropertySheet::PressButton(Button button)
{
    if (button == PSBTN_OK)
        OnOK();
    else
        OnCancel();
}

void CPropertySheet::OnOK()
{
    if (m_bClosing)
        return;
    // The page in front takes its fields first; a fault keeps it in front.
    if (CPropertyPage* active = GetPage(GetActiveIndex()); active && active->m_bInitialized && !active->OnKillActive())
        return;
    for (int i = 0; i < GetPageCount(); ++i) {
        CPropertyPage* page = m_pages[size_t(i)];
        if (!page->m_bInitialized)
            continue;
        if (!page->OnApply()) {
            SetActivePage(i);
            return;
        }
    }
    EndDialog(IDOK);
}

void CPropertySheet::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CPropertySheet::PostClose()
{
    m_bClosing = true;
    QTimer::singleShot(0, this, [this] { EndDialog(IDCANCEL); });
}

} // namespace fw
