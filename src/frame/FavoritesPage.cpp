#include "FavoritesPage.h"

#include "MainFrame.h"
#include "dialup/CustomizePropertySheet.h"
#include "framework/MessageBox.h"
#include "launcher/ItemDialogs.h"
#include "platform/shell/Icons.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/DialtopDoc.h"

#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolBar>

#include <tuple>

using namespace ThemeRecord;

namespace {

int SmallIconSize(const QWidget* w)
{
    return w->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, w);
}

// What the user typed or a full path made is kept to what the favorites
// file can hold, so applying can always write it.
void FitFields(CThemeItem& item)
{
    item.m_strName = FitToField(item.m_strName, kItemNameWidth);
    item.m_strArguments = FitToField(item.m_strArguments, kItemNameWidth);
    item.m_strTarget = FitToField(item.m_strTarget, kItemPathWidth);
    item.m_strStartIn = FitToField(item.m_strStartIn, kItemPathWidth);
    item.m_strIconFile = FitToField(item.m_strIconFile, kItemPathWidth);
    item.m_strDescription = FitToField(item.m_strDescription, kItemPathWidth);
}

int SelectedRow(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

// Draws an entry as the lists show it: the small icon, then the name; a
// selected entry has its name highlighted and its icon tinted.
class CFavoriteEntryDelegate : public QStyledItemDelegate
{
public:
    CFavoriteEntryDelegate(CCustomizePropertyPage2* page, QListWidget* list)
        : QStyledItemDelegate(list), m_pPage(page), m_pList(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const FavoriteEntry* e = m_pPage->Entry(m_pList, index.row());
        if (!e)
            return;
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette::ColorGroup group = option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        const QColor highlight = option.palette.color(group, QPalette::Highlight);
        const int size = m_pPage->m_imlIcons.GetSize();
        QRect r = option.rect;
        painter->save();
        painter->fillRect(r, option.palette.base());

        QPixmap pix = m_pPage->m_imlIcons.GetImage(e->m_nImage);
        if (selected && !pix.isNull()) {
            // Half the highlight over the icon's own pixels only.
            QPainter tint(&pix);
            tint.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            QColor half = highlight;
            half.setAlpha(128);
            tint.fillRect(QRect(QPoint(0, 0), pix.size()), half);
        }
        if (!pix.isNull())
            painter->drawPixmap(r.left(), r.top() + (r.height() - size) / 2, pix);

        r.setLeft(r.left() + size + 4);
        const QString name = e->m_pItem ? e->m_pItem->m_strName : QString();
        const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        const QRect text = painter->fontMetrics().boundingRect(r, flags, name);
        if (selected)
            painter->fillRect(text, highlight);
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(text, flags, name);
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.state = option.state;
            focus.direction = option.direction;
            focus.palette = option.palette;
            focus.rect = text;
            focus.backgroundColor = selected ? highlight : option.palette.color(group, QPalette::Base);
            m_pList->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, m_pList);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const FavoriteEntry* e = m_pPage->Entry(m_pList, index.row());
        const QString name = e && e->m_pItem ? e->m_pItem->m_strName : QString();
        const int size = m_pPage->m_imlIcons.GetSize();
        // As tall as the small icon, or the name when the font is taller.
        return QSize(size + 4 + option.fontMetrics.horizontalAdvance(name), qMax(size, option.fontMetrics.height()));
    }

private:
    CCustomizePropertyPage2* m_pPage;
    QListWidget* m_pList;
};

} // namespace

QVariant FavoriteEntry::data(int role) const
{
    if ((role == Qt::DisplayRole || role == Qt::AccessibleTextRole) && m_pItem)
        return m_pItem->m_strName;
    return QListWidgetItem::data(role);
}

CCustomizePropertyPage2::CCustomizePropertyPage2() : fw::CPropertyPage(res::IDD_CUSTOMIZE_PAGE2)
{
}

void CCustomizePropertyPage2::DoDataExchange(bool /*save*/)
{
    // The controls only; the lists are filled and read by the page itself.
    m_lstItems = Item<QListWidget>(ids::IDC_FAV_ITEMS);
    m_lstFavorites = Item<QListWidget>(ids::IDC_FAV_FAVORITES);
    m_btnUp = GetDlgItem(ids::IDC_FAV_UP);
    m_btnDown = GetDlgItem(ids::IDC_FAV_DOWN);
}

bool CCustomizePropertyPage2::OnInitDialog()
{
    fw::CPropertyPage::OnInitDialog();
    const int size = SmallIconSize(this);
    m_imlIcons = CImageList(size);

    // The arrows are pictures; their template text only names the icon.
    const std::tuple<QWidget*, unsigned, QString> arrows[] = {{m_btnUp, ids::IDI_UP, tr("Up")},
                                                              {m_btnDown, ids::IDI_DOWN, tr("Down")}};
    for (const auto& [widget, icon, name] : arrows) {
        auto* b = qobject_cast<QPushButton*>(widget);
        b->setAccessibleName(name);
        b->setText(QString());
        b->setIcon(shell::LoadAppIcon(int(icon)));
        b->setIconSize(QSize(size, size));
    }
    for (QListWidget* list : {m_lstItems, m_lstFavorites}) {
        list->setItemDelegate(new CFavoriteEntryDelegate(this, list));
        list->setUniformItemSizes(true);
    }

    if (m_pTheme)
        for (const auto& tab : m_pTheme->m_tabs)
            for (const auto& item : tab->m_items)
                Append(m_lstItems, std::make_unique<CThemeItem>(*item), AddSmallIcon(*item));
    // Only the first tab is the bar's; applying rewrites just that tab, so
    // listing the others would copy them into it on every apply.
    if (const CThemeTab* tab = m_pFavorites ? m_pFavorites->GetTab(0) : nullptr)
        for (const auto& item : tab->m_items)
            Append(m_lstFavorites, std::make_unique<CThemeItem>(*item), AddSmallIcon(*item));

    auto button = [this](int id, void (CCustomizePropertyPage2::*fn)()) {
        connect(Item<QPushButton>(id), &QPushButton::clicked, this, fn);
    };
    button(ids::IDC_FAV_NEW, &CCustomizePropertyPage2::OnNew);
    button(ids::IDC_FAV_DELETE, &CCustomizePropertyPage2::OnDelete);
    button(ids::IDC_FAV_COPY, &CCustomizePropertyPage2::OnCopy);
    button(ids::IDC_FAV_UP, &CCustomizePropertyPage2::OnUp);
    button(ids::IDC_FAV_DOWN, &CCustomizePropertyPage2::OnDown);
    button(ids::IDC_FAV_PROPERTIES, &CCustomizePropertyPage2::OnProperties);
    return true;
}

FavoriteEntry* CCustomizePropertyPage2::Entry(QListWidget* list, int row) const
{
    return list ? dynamic_cast<FavoriteEntry*>(list->item(row)) : nullptr;
}

int CCustomizePropertyPage2::AddSmallIcon(const CThemeItem& item)
{
    QIcon icon = item.GetSmallIcon();
    // An item without a picture of its own still shows one.
    if (icon.isNull())
        icon = shell::LoadAppIcon(int(ids::IDI_DEFAULTITEM), shell::kSmallIconSize);
    return m_imlIcons.Add(icon, devicePixelRatioF());
}

void CCustomizePropertyPage2::Append(QListWidget* list, std::unique_ptr<CThemeItem> item, int image)
{
    list->addItem(new FavoriteEntry(std::move(item), image));
}

void CCustomizePropertyPage2::OnNew()
{
    CAddItemDlg dlg(this);
    if (dlg.DoModal() != fw::IDOK)
        return;
    auto item = std::make_unique<CThemeItem>();
    item->m_strName = dlg.m_strName;
    item->m_strTarget = dlg.m_strTarget;
    FitFields(*item);
    const int image = AddSmallIcon(*item);
    Append(m_lstFavorites, std::move(item), image);
}

void CCustomizePropertyPage2::OnDelete()
{
    const int s = SelectedRow(m_lstFavorites);
    if (s < 0)
        return;
    delete m_lstFavorites->takeItem(s);
    m_lstFavorites->clearSelection();
}

void CCustomizePropertyPage2::OnCopy()
{
    // From the bottom up, so the copies arrive in reverse order.
    for (int i = m_lstItems->count() - 1; i >= 0; --i) {
        const FavoriteEntry* e = Entry(m_lstItems, i);
        if (!e || !e->isSelected() || !e->m_pItem)
            continue;
        auto item = std::make_unique<CThemeItem>();
        item->CopyWithFullPaths(*e->m_pItem);
        FitFields(*item);
        Append(m_lstFavorites, std::move(item), e->m_nImage);
    }
}

void CCustomizePropertyPage2::Move(int delta)
{
    const int s = SelectedRow(m_lstFavorites);
    const int t = s + delta;
    if (s < 0 || t < 0 || t >= m_lstFavorites->count())
        return;
    QListWidgetItem* entry = m_lstFavorites->takeItem(s);
    m_lstFavorites->insertItem(t, entry);
    m_lstFavorites->clearSelection();
    m_lstFavorites->setCurrentItem(entry);
    entry->setSelected(true);
}

void CCustomizePropertyPage2::OnUp()
{
    Move(-1);
}

void CCustomizePropertyPage2::OnDown()
{
    Move(1);
}

void CCustomizePropertyPage2::OnProperties()
{
    FavoriteEntry* e = Entry(m_lstFavorites, SelectedRow(m_lstFavorites));
    if (!e || !e->m_pItem)
        return;
    CThemeItem& item = *e->m_pItem;
    CItemPropertiesDlg dlg(this);
    dlg.m_strName = item.m_strName;
    dlg.m_strArguments = item.m_strArguments;
    dlg.m_strTarget = item.m_strTarget;
    dlg.m_strStartIn = item.m_strStartIn;
    dlg.m_strIconFile = item.m_strIconFile;
    dlg.m_strDescription = item.m_strDescription;
    dlg.m_nIconIndex = item.m_nIconIndex;
    dlg.m_nShowCmd = item.m_nShowCmd;
    dlg.m_bDialFirst = item.m_bDialFirst;
    if (dlg.DoModal() != fw::IDOK)
        return;
    item.m_strName = dlg.m_strName;
    item.m_strArguments = dlg.m_strArguments;
    item.m_strTarget = dlg.m_strTarget;
    item.m_strStartIn = dlg.m_strStartIn;
    item.m_strIconFile = dlg.m_strIconFile;
    item.m_strDescription = dlg.m_strDescription;
    item.m_nIconIndex = dlg.m_nIconIndex;
    item.m_nShowCmd = dlg.m_nShowCmd;
    item.m_bDialFirst = dlg.m_bDialFirst;
    FitFields(item);
    e->m_nImage = AddSmallIcon(item);
    m_lstFavorites->viewport()->update();
}

bool CCustomizePropertyPage2::OnApply()
{
    if (m_pFavorites) {
        m_pFavorites->RemoveTab(0);
        m_pFavorites->InsertTab(0);
        int n = 0;
        for (int i = 0; i < m_lstFavorites->count(); ++i) {
            const FavoriteEntry* e = Entry(m_lstFavorites, i);
            if (!e || !e->m_pItem)
                continue;
            if (CThemeItem* item = m_pFavorites->InsertItem(0, n)) {
                item->Copy(*e->m_pItem);
                ++n;
            }
        }
        // Written every time: the new tab marked the favourites modified.
        m_pFavorites->Save();
    }
    if (m_pfnShowFavoritesBar)
        m_pfnShowFavoritesBar();
    return fw::CPropertyPage::OnApply();
}

void CMainFrame::InitFavoritesPage(CCustomizePropertyPage2& page)
{
    auto* doc = dynamic_cast<CDialtopDoc*>(GetActiveDocument());
    page.m_pTheme = doc ? &doc->m_theme : nullptr;
    page.m_pFavorites = &m_favorites;
    page.m_pfnShowFavoritesBar = [this] {
        if (m_wndFavoritesBar)
            m_wndFavoritesBar->show();
    };
}

void CMainFrame::OnCustomizeFavorites()
{
    // The full sheet with every other page taken out, so both commands show
    // the same caption and page.
    CCustomizePropertyPage2 favorites;
    InitFavoritesPage(favorites);
    CCustomizePropertySheet sheet;
    sheet.InsertFavoritesPage(&favorites);
    sheet.RemovePage(&sheet.m_page4);
    sheet.RemovePage(&sheet.m_page1);
    sheet.RemovePage(&sheet.m_page3);
    if (sheet.DoModal() == fw::IDOK)
        BuildFavoritesBar();
}
