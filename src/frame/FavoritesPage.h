#pragma once
// The "Favorites" page of Customize: the favourites in button order, to be
// reordered, added, edited and deleted, and every item of the open theme to
// copy from. The page works on copies; only applying it replaces the
// favourites' first tab and writes the favourites file.

#include "framework/PropertySheet.h"
#include "launcher/ImageList.h"
#include "theme/ThemeData.h"

#include <QListWidgetItem>

#include <functional>
#include <memory>

class QListWidget;

// One row of either list: an item of its own (never one of a theme) and its
// picture in the page's image list. Removing the row frees both.
class FavoriteEntry : public QListWidgetItem
{
public:
    FavoriteEntry(std::unique_ptr<CThemeItem> item, int image) : m_pItem(std::move(item)), m_nImage(image) {}

    // The name stands in for the row's text, for screen readers and searches.
    QVariant data(int role) const override;

    std::unique_ptr<CThemeItem> m_pItem;
    int m_nImage;
};

class CCustomizePropertyPage2 : public fw::CPropertyPage
{
    Q_OBJECT
public:
    CCustomizePropertyPage2();

    CThemeData* m_pTheme = nullptr;     // the open theme: source of the lower list
    CThemeData* m_pFavorites = nullptr; // the frame's favourites
    // Shows the favorites bar once the favourites are applied.
    std::function<void()> m_pfnShowFavoritesBar;

    QListWidget* m_lstItems = nullptr;
    QListWidget* m_lstFavorites = nullptr;
    QWidget* m_btnUp = nullptr;
    QWidget* m_btnDown = nullptr;
    CImageList m_imlIcons;

    bool OnApply() override;
    void OnNew();
    void OnDelete();
    void OnCopy();
    void OnUp();
    void OnDown();
    void OnProperties();

    FavoriteEntry* Entry(QListWidget* list, int row) const;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool save) override;

private:
    int AddSmallIcon(const CThemeItem& item);
    void Append(QListWidget* list, std::unique_ptr<CThemeItem> item, int image);
    void Move(int delta);
};
