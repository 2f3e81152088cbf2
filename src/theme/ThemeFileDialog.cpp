#include "theme/ThemeFileDialog.h"

#include "settings/Settings.h"

#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QFileInfo>

QString ApplyThemeExtension(const QString& path)
{
    const int sep = LastPathSeparator(path);
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
    for (;;) {
        if (!fw::RunFileDialog(req))
            return false;
        // A file picked to open is taken as it is: the rule names files to save.
        if (openDialog) {
            fileName = req.fileName;
            return true;
        }
        // The dialog asked about the name it returned, not about the one the
        // rule makes of it: a different file that exists is asked about here,
        // or it would be replaced without the user knowing.
        const QString name = ApplyThemeExtension(req.fileName);
        if (name == req.fileName || !(req.flags & fw::OFN_OVERWRITEPROMPT) || !QFileInfo::exists(name)
            || fw::MessageBox(res::FormatString(ids::IDP_ASK_TO_REPLACE, {name}),
                              fw::MB_YESNO | fw::MB_ICONEXCLAMATION) == fw::IDYES) {
            fileName = name;
            return true;
        }
        // No: back to the dialog, with the refused name to change.
        req.fileName = name;
    }
}
