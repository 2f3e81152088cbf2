#pragma once
// Shared by the theme, app, frame and launcher tests: theme and bitmap files
// written from a short description, stand-ins for message boxes and file
// dialogs, and the recent list as the settings hold it.

#include "BitmapBytes.h"
#include "settings/Settings.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "platform/registry/Registry.h"
#include "theme/ThemeData.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QtTest>

#include <functional>
#include <tuple>

struct ItemSpec
{
    QString name;
    QPoint pos;
    QString target = "https://example.org/";
    QString arguments, startIn, iconFile;
};

struct TabSpec
{
    QString name;
    QList<ItemSpec> items;
    QString background;
};

inline void writeTheme(const QString& path, const QList<TabSpec>& tabs)
{
    CThemeData theme;
    for (int i = 0; i < tabs.size(); ++i) {
        CThemeTab* tab = theme.InsertTab(i);
        std::tie(tab->m_strName, tab->m_strBackground) = std::tie(tabs[i].name, tabs[i].background);
        for (int j = 0; j < tabs[i].items.size(); ++j) {
            const ItemSpec& s = tabs[i].items[j];
            CThemeItem* it = theme.InsertItem(i, j);
            std::tie(it->m_strName, it->m_strTarget, it->m_strArguments, it->m_strStartIn, it->m_strIconFile,
                     it->m_ptPosition) = std::tie(s.name, s.target, s.arguments, s.startIn, s.iconFile, s.pos);
        }
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    theme.m_strPath = path, theme.m_bModified = true;
    QVERIFY(theme.Save());
}

// One tab of one entry: the smallest theme that opens with something in it.
inline void writeTheme(const QString& path, const QString& tabName) { writeTheme(path, {{tabName, {{"Item", {20, 20}}}}}); }

// Every field of every tab and entry, for comparing two themes.
inline QStringList describe(const CThemeTab& tab)
{
    QStringList out{QString("tab|%1|%2|%3").arg(tab.m_strName, tab.m_strBackground).arg(tab.m_nReserved)};
    for (const auto& i : tab.m_items) {
        QStringList f{"item", i->m_strName, i->m_strArguments, i->m_strTarget, i->m_strStartIn, i->m_strIconFile,
                      i->m_strDescription};
        for (int v : {i->m_nIconIndex, i->m_nShowCmd, i->m_nReserved1, i->m_ptPosition.x(), i->m_ptPosition.y(),
                      i->m_nReserved2, i->m_bDialFirst})
            f << QString::number(v);
        out << f.join('|');
    }
    return out;
}

inline QStringList describe(const CThemeData& theme)
{
    QStringList out;
    for (const auto& tab : theme.m_tabs) out << describe(*tab);
    return out;
}

inline QString themesFolder() { QString folder; return GetThemesFolder(folder), folder; }

// Entry n (from 1) of the recent list, read afresh from disk.
inline QString recentFile(int n)
{
    reg::ResetStore();
    reg::RegKey key;
    QString value;
    if (key.Open(reg::HKEY_CURRENT_USER, "Software\\Corvane\\Dialtop\\Recent File List") == reg::ERROR_SUCCESS)
        key.ReadString(QString("File%1").arg(n), value);
    return value;
}

inline QDateTime mtime(const QString& path) { return QFileInfo(path).fileTime(QFileDevice::FileModificationTime); }

// Sets a file's date well into the past, so a rewrite shows.
inline void age(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC), QFileDevice::FileModificationTime));
}

// An 8-bit bitmap file; index(x, y) counts y from the top.
inline QByteArray bmp8(int w, int h, const QList<QRgb>& colours, const std::function<int(int, int)>& index)
{
    return bytes::BmpFile({40, w, h, 8, colours, quint32(colours.size()),
                           [&](int x, int r) { return quint32(index(x, h - 1 - r)); }});
}

// Answers message boxes and file dialogs as a test scripts them, and records
// what the user would have seen. Installed for its lifetime.
struct UiStubs
{
    QList<fw::MessageRequest> messages;
    QList<int> answers;           // next message box answers; IDOK when none
    QList<fw::FileDialogRequest> dialogs;
    QStringList fileAnswers;      // next file names; none or a null string cancels

    UiStubs()
    {
        fw::SetMessageHandler([this](const fw::MessageRequest& r) {
            messages << r;
            return answers.isEmpty() ? fw::IDOK : answers.takeFirst();
        });
        fw::SetFileDialogHandler([this](fw::FileDialogRequest& r) {
            dialogs << r;
            const QString a = fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
            if (!a.isNull()) r.fileName = a;
            return !a.isNull();
        });
    }
    ~UiStubs() { fw::SetMessageHandler({}), fw::SetFileDialogHandler({}); }
    QStringList texts() const
    {
        QStringList out;
        for (const auto& m : messages) out << m.text;
        return out;
    }
};
