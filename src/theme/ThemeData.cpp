#include "ThemeData.h"

void CThemeTab::Copy(const CThemeTab& source)
{
    m_strName = source.m_strName;
    m_strBackground = source.m_strBackground;
    m_nReserved = source.m_nReserved;
    for (const auto& item : source.m_items) {
        auto copy = std::make_unique<CThemeItem>();
        copy->Copy(*item);
        m_items.push_back(std::move(copy));
    }
}

CThemeTab* CThemeData::InsertTab(int index)
{
    if (index < 0 || index > GetTabCount())
        return nullptr;
    auto tab = std::make_unique<CThemeTab>();
    CThemeTab* raw = tab.get();
    m_tabs.insert(m_tabs.begin() + index, std::move(tab));
    m_bModified = true;
    return raw;
}

bool CThemeData::RemoveTab(int index)
{
    if (index < 0 || index >= GetTabCount())
        return false;
    m_tabs.erase(m_tabs.begin() + index);
    m_bModified = true;
    return true;
}

CThemeTab* CThemeData::GetTab(int index) const
{
    if (index < 0 || index >= GetTabCount())
        return nullptr;
    return m_tabs[size_t(index)].get();
}

CThemeItem* CThemeData::InsertItem(int tab, int index)
{
    CThemeTab* t = GetTab(tab);
    if (!t || index < 0 || index > int(t->m_items.size()))
        return nullptr;
    auto item = std::make_unique<CThemeItem>();
    CThemeItem* raw = item.get();
    t->m_items.insert(t->m_items.begin() + index, std::move(item));
    m_bModified = true;
    return raw;
}

bool CThemeData::RemoveItem(int tab, int index)
{
    CThemeTab* t = GetTab(tab);
    if (!t || index < 0 || index >= int(t->m_items.size()))
        return false;
    t->m_items.erase(t->m_items.begin() + index);
    m_bModified = true;
    return true;
}

CThemeItem* CThemeData::GetItem(int tab, int index) const
{
    CThemeTab* t = GetTab(tab);
    if (!t || index < 0 || index >= int(t->m_items.size()))
        return nullptr;
    return t->m_items[size_t(index)].get();
}

int CThemeData::GetItemCount(int tab) const
{
    CThemeTab* t = GetTab(tab);
    return t ? int(t->m_items.size()) : 0;
}

void CThemeData::SaveAndClear()
{
    Save();
    DeleteAll();
}

void CThemeData::DeleteAll()
{
    m_tabs.clear();
}
