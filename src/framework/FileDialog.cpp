#include "FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace fw {

namespace {

FileDialogHandler& handler()
{
    static FileDialogHandler h;
    return h;
}

} // namespace

FileDialogHandler SetFileDialogHandler(FileDialogHandler h)
{
    FileDialogHandler old = std::move(handler());
    handler() = std::move(h);
    return old;
}

QString ConvertFilter(const QString& filter)
{
    QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed().replace(';', ' ');
        if (desc.isEmpty() && patterns.isEmpty())
            break;
        out << QString("%1 (%2)").arg(desc, patterns);
    }
    return out.join(";;");
}

bool RunFileDialog(FileDialogRequest& req)
{
    if (handler())
        return handler()(req);
    QFileDialog dlg(req.parent, req.title, req.initialDir, ConvertFilter(req.filter));
    dlg.setAcceptMode(req.bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dlg.setFileMode(req.bOpen && (req.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                  : QFileDialog::AnyFile);
    if (!req.defaultExt.isEmpty())
        dlg.setDefaultSuffix(req.defaultExt.startsWith('.') ? req.defaultExt.mid(1) : req.defaultExt);
    if (!(req.flags & OFN_OVERWRITEPROMPT))
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!req.fileName.isEmpty() && !req.fileName.contains('*'))
        dlg.selectFile(req.fileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    req.fileName = QFileInfo(dlg.selectedFiles().first()).absoluteFilePath();
    return true;
}

} // namespace fw
