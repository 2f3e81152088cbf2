#include "launcher/LauncherClipboard.h"

std::unique_ptr<CThemeItem> g_pCopiedItem;
std::unique_ptr<CThemeTab> g_pCopiedTab;

void ClearCopiedItems()
{
    g_pCopiedItem.reset();
    g_pCopiedTab.reset();
}
