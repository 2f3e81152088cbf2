#include "platform/shell/FileList.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace shell {

namespace {

const QString kGnomeList = QStringLiteral("x-special/gnome-copied-files");
const QString kUriList = QStringLiteral("text/uri-list");

void AddLocal(QStringList& files, const QUrl& url)
{
    if (url.isLocalFile()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            files << path;
    }
}

} // namespace

QStringList FilesFromMimeData(const QMimeData* data)
{
    QStringList files;
    if (!data)
        return files;
    if (data->hasFormat(kUriList)) {
        // Lines, CR LF or LF; '#' starts a comment.
        for (QByteArray line : data->data(kUriList).split('\n')) {
            line = line.trimmed();
            if (!line.isEmpty() && !line.startsWith('#'))
                AddLocal(files, QUrl::fromEncoded(line));
        }
        if (!files.isEmpty())
            return files;
    }
    if (data->hasFormat(kGnomeList)) {
        // "copy" or "cut" on the first line, then one address per line.
        const QList<QByteArray> lines = data->data(kGnomeList).split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            if (!line.isEmpty())
                AddLocal(files, QUrl::fromEncoded(line));
        }
    }
    return files;
}

bool HasFileList(const QMimeData* data)
{
    return !FilesFromMimeData(data).isEmpty();
}

QStringList ClipboardFiles()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    return FilesFromMimeData(QGuiApplication::clipboard()->mimeData());
}

bool ClipboardHasFiles()
{
    return !ClipboardFiles().isEmpty();
}

} // namespace shell
