#include "theme/ThemeFileDialog.h"

#include "settings/Settings.h"

#include "framework/FileDialog.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

QString ApplyThemeExtension(const QString& path)
{
    int sep = -1;
    for (int i = path.size() - 1; i >= 0; --i) {
        if (path[i] == '/' || path[i] == '\\') {
            sep = i;
            break;
        }
    }
    QString out = path;
    const int dot = out.lastIndexOf('.');
    if (dot > sep)
        out.truncate(dot);
    return out + res::LoadString(ids::IDS_THEME_EXT);
}

bool PromptThemeFileName(QString& fileName, unsigned titleId, unsigned flags, bool openDialog, fw::CDocTemplate*)
{
    fw::FileDialogRequest req;
    req.bOpen = openDialog;
    req.title = res::LoadString(titleId);
    req.filter = res::LoadString(ids::IDS_THEME_FILTER);
    req.defaultExt = res::LoadString(ids::IDS_THEME_EXT);
    req.flags = flags | fw::OFN_OVERWRITEPROMPT | fw::OFN_HIDEREADONLY | fw::OFN_NOCHANGEDIR;
    QString folder;
    GetThemesFolder(folder);
    CreateFolderPath(folder);
    req.initialDir = folder;
    req.fileName = fileName;
    if (!fw::RunFileDialog(req))
        return false;
    fileName = ApplyThemeExtension(req.fileName);
    return true;
}
