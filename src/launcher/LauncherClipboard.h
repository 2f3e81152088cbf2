#pragma once
// The launcher's own clipboard, separate from the system's: the item or the
// whole tab taken by the last Copy or Cut. It lives as long as the process
// and keeps its contents for repeated pastes.

#include "theme/ThemeData.h"

#include <memory>

extern std::unique_ptr<CThemeItem> g_pCopiedItem;
extern std::unique_ptr<CThemeTab> g_pCopiedTab;

// Empties both.
void ClearCopiedItems();
