#include "platform/shell/FileList.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace shell {

namespace {

const QString kGnomeList = QStringLiteral("x-special/gnome-copied-files");
const QString kUriList = QStringLiteral("text/uri-list");

bool IsAddressScheme(const QString& scheme)
{
    return scheme == u"http" || scheme == u"https" || scheme == u"ftp" || scheme == u"mailto";
}

void Add(QStringList& out, const QByteArray& line, bool addresses)
{
    if (out.size() >= kMaxListEntries || line.isEmpty() || line.size() > 3 * kMaxTargetLength)
        return;
    const QUrl url = QUrl::fromEncoded(line);
    if (!url.isValid())
        return;
    QString target;
    if (url.isLocalFile()) {
        // Only files of this machine; a path never holds a line break or NUL.
        if (!url.host().isEmpty() && url.host() != u"localhost")
            return;
        target = url.toLocalFile();
        if (target.contains(QChar(0)) || target.contains(u'\n') || target.contains(u'\r'))
            return;
    } else if (addresses && IsAddressScheme(url.scheme().toLower())) {
        target = url.toString(QUrl::FullyEncoded);
    }
    if (!target.isEmpty() && target.size() <= kMaxTargetLength)
        out << target;
}

// The lines of a list, within its bounds; '#' starts a comment.
QList<QByteArray> Lines(const QMimeData* data, const QString& format)
{
    QByteArray bytes = data->data(format);
    if (bytes.size() > kMaxListBytes)
        bytes.truncate(kMaxListBytes);
    QList<QByteArray> lines;
    for (QByteArray line : bytes.split('\n')) {
        line = line.trimmed();
        if (!line.isEmpty() && !line.startsWith('#'))
            lines << line;
        if (lines.size() > kMaxListEntries)
            break;
    }
    return lines;
}

QStringList Parse(const QMimeData* data, bool addresses)
{
    QStringList out;
    if (!data)
        return out;
    if (data->hasFormat(kUriList)) {
        for (const QByteArray& line : Lines(data, kUriList))
            Add(out, line, addresses);
        if (!out.isEmpty())
            return out;
    }
    if (data->hasFormat(kGnomeList)) {
        // "copy" or "cut" on the first line, then one address per line.
        const QList<QByteArray> lines = Lines(data, kGnomeList);
        for (qsizetype i = 1; i < lines.size(); ++i)
            Add(out, lines[i], false);
    }
    return out;
}

const QMimeData* ClipboardData()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    return QGuiApplication::clipboard()->mimeData();
}

} // namespace

QStringList FilesFromMimeData(const QMimeData* data)
{
    return Parse(data, false);
}

bool HasFileList(const QMimeData* data)
{
    return !FilesFromMimeData(data).isEmpty();
}

QStringList TargetsFromMimeData(const QMimeData* data)
{
    return Parse(data, true);
}

bool HasTargets(const QMimeData* data)
{
    return !TargetsFromMimeData(data).isEmpty();
}

QStringList ClipboardFiles()
{
    return FilesFromMimeData(ClipboardData());
}

bool ClipboardHasFiles()
{
    return !ClipboardFiles().isEmpty();
}

QStringList ClipboardTargets()
{
    return TargetsFromMimeData(ClipboardData());
}

bool ClipboardHasTargets()
{
    return !ClipboardTargets().isEmpty();
}

} // namespace shell
