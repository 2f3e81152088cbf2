// The favorites bar of the main frame: a dockable toolbar with one button per
// item of the favourites' first tab, showing the item's small icon.

#include "MainFrame.h"

#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "settings/Settings.h"

#include <QAction>
#include <QApplication>
#include <QStyle>
#include <QToolBar>

namespace {

int SmallIconSize(const QWidget* w)
{
    return w->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, w);
}

} // namespace

QString CMainFrame::FavoritesFileName()
{
    QString folder;
    GetUserThemesFolder(folder);
    return folder + "/" + res::LoadString(ids::IDS_FAVORITES) + ".fav";
}

void CMainFrame::CreateFavoritesBar()
{
    m_wndFavoritesBar = new QToolBar(res::LoadString(ids::IDS_FAVORITES), this);
    // saveState finds the bar again by its name.
    m_wndFavoritesBar->setObjectName(QString("toolbar_%1").arg(ids::IDW_FAVORITESBAR));
    m_wndFavoritesBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndFavoritesBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_wndFavoritesBar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_wndFavoritesBar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { OnFavoritesContextMenu(m_wndFavoritesBar->mapToGlobal(pos)); });
    addToolBar(Qt::RightToolBarArea, m_wndFavoritesBar);
    BuildFavoritesBar();
}

void CMainFrame::BuildFavoritesBar()
{
    if (!m_wndFavoritesBar)
        return;
    const CThemeTab* tab = m_favorites.GetTab(0);
    const int n = tab ? qMin(int(tab->m_items.size()), kMaxFavorites) : 0;

    // Buttons keep their actions (and so their ids); only the faces change.
    for (QAction* a : m_wndFavoritesBar->actions())
        m_wndFavoritesBar->removeAction(a);

    // The small icon size, so the images are never clipped; QIcon picks the
    // pixmap for the screen's pixel ratio, so they stay crisp.
    const int size = SmallIconSize(m_wndFavoritesBar);
    m_wndFavoritesBar->setIconSize(QSize(size, size));

    for (int i = 0; i < n; ++i) {
        const unsigned id = ids::ID_FAVORITE_FIRST + unsigned(i);
        QAction* a = GetAction(id);
        const CThemeItem* item = tab->m_items[size_t(i)].get();
        a->setIcon(item->GetSmallIcon());
        a->setText(item->m_strName);
        a->setToolTip(FavoriteTip(id));
        a->setStatusTip(item->m_strDescription);
        m_wndFavoritesBar->addAction(a);
    }
    if (n == 0) {
        // One blank button, so a bar shown again by hand is not a bare handle.
        QAction* blank = m_wndFavoritesBar->addAction(QString());
        blank->setEnabled(false);
        m_wndFavoritesBar->hide();
    }
}

void CMainFrame::OnFavorite(unsigned id)
{
    const CThemeItem* item = m_favorites.GetItem(0, int(id - ids::ID_FAVORITE_FIRST));
    if (item)
        item->Launch();
}

void CMainFrame::OnUpdateFavorite(fw::CCmdUI* pCmdUI)
{
    // The description reaches the message pane as the button's status tip
    // when the pointer is over it.
    pCmdUI->Enable(true);
}

QString CMainFrame::FavoriteTip(unsigned id) const
{
    if (id < ids::ID_FAVORITE_FIRST || id > ids::ID_FAVORITE_LAST)
        return QString();
    const CThemeItem* item = m_favorites.GetItem(0, int(id - ids::ID_FAVORITE_FIRST));
    if (!item)
        return QString();
    const QString text = item->m_strDescription.isEmpty() ? item->m_strName : item->m_strDescription;
    // The tool tip's buffer held 80 characters with the terminator.
    return text.left(79);
}

void CMainFrame::OnFavoritesContextMenu(const QPoint& globalPos)
{
    TrackPopupMenu(ids::IDR_CONTEXTMENUS, 3, globalPos);
}

QWidget* CMainFrame::GetControlBar(unsigned nID) const
{
    if (nID == ids::IDW_FAVORITESBAR)
        return m_wndFavoritesBar;
    if (nID == ids::IDW_TIMERBAR)
        return m_wndTimerBar;
    return nullptr;
}

bool CMainFrame::ToggleBar(unsigned nID)
{
    QWidget* bar = GetControlBar(nID);
    if (!bar)
        return false;
    bar->setVisible(bar->isHidden());
    return true;
}

void CMainFrame::OnViewFavorites()
{
    ToggleBar(ids::IDW_FAVORITESBAR);
}

void CMainFrame::OnUpdateViewFavorites(fw::CCmdUI* pCmdUI)
{
    pCmdUI->Enable(true);
    pCmdUI->SetCheck(m_wndFavoritesBar && !m_wndFavoritesBar->isHidden() ? 1 : 0);
}
