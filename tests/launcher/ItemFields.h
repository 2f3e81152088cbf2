#pragma once
// Every stored field of a theme item, comparable (and printed) at once.

#include "theme/ThemeData.h"

#include <tuple>

inline auto ItemFields(const CThemeItem& i)
{
    return std::tuple(i.m_strName, i.m_strArguments, i.m_strTarget, i.m_strStartIn, i.m_strIconFile,
                      i.m_strDescription, i.m_nIconIndex, i.m_nShowCmd, i.m_nReserved1, i.m_ptPosition,
                      i.m_nReserved2, i.m_bDialFirst);
}

// An item with every field set to something other than its default.
inline CThemeItem FullItem(const QString& target, const QString& iconFile)
{
    CThemeItem i;
    i.m_strName = "Tool";
    i.m_strArguments = "-a";
    i.m_strTarget = target;
    i.m_strStartIn = "relative/stays";
    i.m_strIconFile = iconFile;
    i.m_strDescription = "d";
    i.m_nIconIndex = 2;
    i.m_nShowCmd = 3;
    i.m_nReserved1 = 5;
    i.m_ptPosition = QPoint(7, 8);
    i.m_nReserved2 = 6;
    i.m_bDialFirst = 1;
    return i;
}
