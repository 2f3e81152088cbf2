#include "launcher/StarterTheme.h"

#include "platform/shell/DesktopEntry.h"
#include "platform/shell/Execute.h"
#include "platform/shell/FileInfo.h"
#include "platform/shell/MimeApps.h"
#include "theme/ThemeData.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

constexpr int kColumns = 6;
constexpr int kMaxDesktopFiles = 5000; // entries the terminal search reads at most

QString FindTerminal()
{
    int read = 0;
    for (const QString& folder : shell::ApplicationFolders()) {
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext() && read++ < kMaxDesktopFiles) {
            shell::DesktopEntry e;
            if (e.Load(it.next()) && !e.Hidden() && e.Type() == u"Application"
                && e.Value(QStringLiteral("NoDisplay")) != u"true"
                && shell::SplitListValue(e.Value(QStringLiteral("Categories"))).contains(QStringLiteral("TerminalEmulator")))
                return e.FilePath();
        }
    }
    const QString fallback = QStringLiteral("/usr/bin/x-terminal-emulator");
    return QFileInfo(fallback).isExecutable() ? fallback : QString();
}

QString UserFolder(const QString& name)
{
    static const QHash<QString, QStandardPaths::StandardLocation> folders = {
        {QStringLiteral("DESKTOP"), QStandardPaths::DesktopLocation},
        {QStringLiteral("DOCUMENTS"), QStandardPaths::DocumentsLocation},
        {QStringLiteral("DOWNLOAD"), QStandardPaths::DownloadLocation},
        {QStringLiteral("MUSIC"), QStandardPaths::MusicLocation},
        {QStringLiteral("PICTURES"), QStandardPaths::PicturesLocation},
        {QStringLiteral("VIDEOS"), QStandardPaths::MoviesLocation},
    };
    if (!folders.contains(name))
        return QString();
    const QString path = QStandardPaths::writableLocation(folders.value(name));
    // Unset user folders fall back to the home folder, which has an item of its own.
    if (path.isEmpty() || QDir(path) == QDir::home() || !QFileInfo(path).isDir())
        return QString();
    return QDir::cleanPath(path);
}

// The target a role stands for here; empty when this desktop has none.
QString Resolve(const QString& role)
{
    if (role.startsWith(u"@default:")) {
        for (const QString& type : role.mid(9).split(u';', Qt::SkipEmptyParts)) {
            const QString app = shell::DefaultApplication(type.trimmed());
            if (!app.isEmpty())
                return app;
        }
        return QString();
    }
    if (role == u"@terminal")
        return FindTerminal();
    if (role.startsWith(u"@folder:"))
        return UserFolder(role.mid(8));
    if (role.startsWith(u"@program:"))
        return QFileInfo(role.mid(9)).isExecutable() ? role.mid(9) : QString();
    return QString();
}

} // namespace

void FitStarterThemeToDesktop(CThemeData& theme)
{
    for (auto& tab : theme.m_tabs) {
        bool hadRoles = false;
        std::vector<std::unique_ptr<CThemeItem>> kept;
        for (auto& item : tab->m_items) {
            if (!item->m_strTarget.startsWith(u'@')) {
                kept.push_back(std::move(item));
                continue;
            }
            hadRoles = true;
            const QString target = Resolve(item->m_strTarget);
            if (target.isEmpty() || !ThemeRecord::FitsField(target, ThemeRecord::kItemPathWidth))
                continue;
            item->m_strTarget = target;
            QString iconFile;
            int index = 0;
            if (target.endsWith(u".desktop") && shell::GetIconLocation(target, &iconFile, &index)
                && ThemeRecord::FitsField(iconFile, ThemeRecord::kItemPathWidth)) {
                item->m_strIconFile = iconFile;
                item->m_nIconIndex = 0;
            }
            kept.push_back(std::move(item));
        }
        tab->m_items = std::move(kept);
        if (hadRoles)
            for (size_t i = 0; i < tab->m_items.size(); ++i)
                tab->m_items[i]->m_ptPosition = QPoint(20 + int(i % kColumns) * 100, 20 + int(i / kColumns) * 90);
    }
}
