#include "launcher/StarterTheme.h"

#include "platform/shell/DesktopEntry.h"
#include "platform/shell/Execute.h"
#include "platform/shell/MimeApps.h"
#include "theme/ThemeData.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

constexpr int kColumns = 6;
constexpr int kMaxDesktopFiles = 5000; // how many entries the terminal search reads at most

struct Program
{
    const char* role; // the starter theme's item name for it
    const char* description;
    QString desktopFile;
};

bool IsTerminalEntry(const shell::DesktopEntry& e)
{
    return !e.Hidden() && e.Type() == u"Application"
        && shell::SplitListValue(e.Value(QStringLiteral("Categories"))).contains(QStringLiteral("TerminalEmulator"))
        && !shell::SplitListValue(e.Value(QStringLiteral("NoDisplay"))).contains(QStringLiteral("true"));
}

QString FindTerminal()
{
    int read = 0;
    for (const QString& folder : shell::ApplicationFolders()) {
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext() && read < kMaxDesktopFiles) {
            const QString path = it.next();
            ++read;
            shell::DesktopEntry e;
            if (e.Load(path) && IsTerminalEntry(e))
                return path;
        }
    }
    return QString();
}

QString DefaultFor(std::initializer_list<const char*> types)
{
    for (const char* t : types) {
        const QString app = shell::DefaultApplication(QString::fromLatin1(t));
        if (!app.isEmpty())
            return app;
    }
    return QString();
}

bool TargetExists(const CThemeItem& item)
{
    return !shell::ResolveTarget(item.m_strTarget, item.m_strStartIn).isEmpty();
}

void LayOut(CThemeTab& tab)
{
    for (size_t i = 0; i < tab.m_items.size(); ++i)
        tab.m_items[i]->m_ptPosition = QPoint(20 + int(i % kColumns) * 100, 20 + int(i / kColumns) * 90);
}

void FitPrograms(CThemeTab& tab)
{
    Program programs[] = {
        {"Web Browser", "Browse the web", DefaultFor({"x-scheme-handler/https", "x-scheme-handler/http", "text/html"})},
        {"Mail", "Read and write e-mail", DefaultFor({"x-scheme-handler/mailto"})},
        {"Terminal", "A command line", FindTerminal()},
        {"Text Editor", "Edit a text file", DefaultFor({"text/plain"})},
        {"File Manager", "Your files and folders", DefaultFor({"inode/directory"})},
    };
    std::vector<std::unique_ptr<CThemeItem>> items;
    QStringList used, roles;
    for (const Program& p : programs) {
        if (p.desktopFile.isEmpty() || used.contains(p.desktopFile))
            continue;
        auto item = std::make_unique<CThemeItem>();
        item->m_strTarget = p.desktopFile;
        item->InitFromTarget();
        if (item->m_strName.isEmpty())
            item->m_strName = QString::fromLatin1(p.role);
        item->m_strName = ThemeRecord::FitToField(item->m_strName, ThemeRecord::kItemNameWidth);
        item->m_strDescription = QString::fromLatin1(p.description);
        if (!ThemeRecord::FitsField(item->m_strTarget, ThemeRecord::kItemPathWidth)
            || !ThemeRecord::FitsField(item->m_strIconFile, ThemeRecord::kItemPathWidth))
            continue;
        used << p.desktopFile;
        roles << QString::fromLatin1(p.role);
        items.push_back(std::move(item));
    }
    // What the theme names itself stays when it exists and does not do
    // what a found program does.
    for (auto& item : tab.m_items)
        if (!roles.contains(item->m_strName) && TargetExists(*item))
            items.push_back(std::move(item));
    tab.m_items = std::move(items);
    LayOut(tab);
}

void FitFolders(CThemeTab& tab)
{
    std::vector<std::unique_ptr<CThemeItem>> items;
    QStringList targets;
    auto add = [&](std::unique_ptr<CThemeItem> item) {
        targets << QDir::cleanPath(item->m_strTarget);
        items.push_back(std::move(item));
    };
    std::unique_ptr<CThemeItem> computer;
    for (auto& item : tab.m_items) {
        if (!TargetExists(*item))
            continue;
        if (item->m_strTarget == u"/")
            computer = std::move(item);
        else
            add(std::move(item));
    }
    const QString home = QDir::cleanPath(QDir::homePath());
    for (auto location : {QStandardPaths::DesktopLocation, QStandardPaths::DocumentsLocation,
                          QStandardPaths::DownloadLocation, QStandardPaths::MusicLocation,
                          QStandardPaths::PicturesLocation, QStandardPaths::MoviesLocation}) {
        const QString path = QDir::cleanPath(QStandardPaths::writableLocation(location));
        if (path.isEmpty() || path == home || targets.contains(path) || !QFileInfo(path).isDir()
            || !ThemeRecord::FitsField(path, ThemeRecord::kItemPathWidth))
            continue;
        auto item = std::make_unique<CThemeItem>();
        item->m_strTarget = path;
        item->m_strName = ThemeRecord::FitToField(QFileInfo(path).fileName(), ThemeRecord::kItemNameWidth);
        add(std::move(item));
    }
    if (computer)
        add(std::move(computer));
    tab.m_items = std::move(items);
    LayOut(tab);
}

} // namespace

void FitStarterThemeToDesktop(CThemeData& theme)
{
    for (auto& tab : theme.m_tabs) {
        if (tab->m_strName == u"Programs")
            FitPrograms(*tab);
        else if (tab->m_strName == u"Folders")
            FitFolders(*tab);
    }
}
