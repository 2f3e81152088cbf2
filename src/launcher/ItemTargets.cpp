#include "launcher/ItemTargets.h"
#include "platform/base/Numbers.h"

#include "platform/registry/Registry.h"
#include "platform/shell/DesktopEntry.h"
#include "platform/shell/FileInfo.h"
#include "platform/shell/Icons.h"
#include "res/ResourceIds.h"
#include "theme/ThemeData.h"

#include <QFileInfo>
#include <climits>

namespace {

// The number at the start of the text, read as atoi reads it: leading
// blanks, a sign, digits up to the first non-digit; 0 when there are none.
int AtoiLike(const QString& text)
{
    return int(base::ParseLeadingInteger(text, INT_MIN, INT_MAX).value);
}

// The full path of an item's path field. A bare name that is not a file
// here stays as written: on this desktop it is a program on the search path
// or an icon-theme name, and making it absolute would break it.
bool ItemFullPath(const QString& path, QString* out)
{
    if (!path.isEmpty() && !path.contains(u'/') && !QFileInfo::exists(path)) {
        *out = path;
        return true;
    }
    return shell::GetFullPathName(path, out);
}

} // namespace

int GetUrlScheme(QString target)
{
    const qsizetype colon = target.indexOf(u':');
    if (colon < 0)
        return URL_NONE;
    const QString scheme = target.left(colon);
    static const char* const schemes[] = {"http", "https", "mailto", "ftp", "gopher", "nntp"};
    for (int i = 0; i < 6; ++i)
        if (scheme.compare(QLatin1String(schemes[i]), Qt::CaseInsensitive) == 0)
            return i + 1;
    return URL_NONE;
}

unsigned GetClassIcon(const QString& className, QIcon* large, QIcon* small)
{
    reg::RegKey key;
    if (key.Open(reg::HKEY_CLASSES_ROOT, className + QStringLiteral("\\DefaultIcon")) != reg::ERROR_SUCCESS)
        return 0;
    char buffer[260] = {};
    reg::DWORD type = 0;
    reg::DWORD length = sizeof(buffer);
    const reg::LONG result = key.QueryValue(QString(), &type, buffer, &length);
    key.Close();
    if (result != reg::ERROR_SUCCESS)
        return 0;
    QString text = QString::fromUtf8(buffer, qstrnlen(buffer, sizeof(buffer)));

    int index = 0;
    const qsizetype comma = text.indexOf(u',');
    if (comma >= 0) {
        index = AtoiLike(text.mid(comma + 1));
        text.truncate(comma);
    }
    text.remove(u'"');
    return shell::ExtractIconEx(text, index, large, small);
}

unsigned GetUrlIcon(QString target, QIcon* large, QIcon* small)
{
    if (GetUrlScheme(target) == URL_NONE)
        return 0;
    const QString scheme = target.left(target.indexOf(u':'));
    if (const unsigned r = GetClassIcon(scheme, large, small))
        return r;

    // Next, the icon of the program the desktop opens such addresses with.
    const QIcon handler = shell::SchemeHandlerIcon(scheme);
    if (!handler.isNull()) {
        if (large)
            *large = handler;
        if (small)
            *small = handler;
        return 1;
    }

    // Then the desktop's own picture of a web browser, for web addresses.
    const int code = GetUrlScheme(target);
    if (code == URL_HTTP || code == URL_HTTPS || code == URL_FTP) {
        QIcon browser;
        if (shell::ExtractIconEx(QStringLiteral("web-browser"), 0, &browser, nullptr) && !browser.isNull()) {
            if (large)
                *large = browser;
            if (small)
                *small = browser;
            return 1;
        }
    }

    if (small)
        *small = shell::LoadAppIcon(ids::IDI_DEFAULTITEM, shell::kSmallIconSize);
    if (large)
        *large = shell::LoadAppIcon(ids::IDI_DEFAULTITEM);
    return 1;
}

QString GetTargetTypeName(const QString& target)
{
    // A launcher of a program is described as the program it starts.
    if (target.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive)) {
        const auto entry = shell::CachedDesktopEntry(QFileInfo(target).absoluteFilePath());
        if (entry && entry->Type() == u"Application")
            return QStringLiteral("Application");
    }
    QString type;
    if (!shell::GetTypeName(target, &type))
        return QString();
    return type;
}

QIcon CThemeItem::GetIcon() const
{
    if (m_strIconFile.isEmpty()) {
        QIcon icon;
        if (GetUrlIcon(m_strTarget, &icon, nullptr))
            return icon;
        icon = shell::AssociatedIcon(m_strTarget);
        // A target the desktop knows nothing of keeps a visible icon.
        return icon.isNull() ? shell::LoadAppIcon(ids::IDI_DEFAULTITEM) : icon;
    }
    const QIcon icon = shell::ExtractIcon(m_strIconFile, m_nIconIndex);
    return icon.isNull() ? shell::LoadAppIcon(ids::IDI_DEFAULTITEM) : icon;
}

QIcon CThemeItem::GetSmallIcon() const
{
    QIcon icon;
    if (m_strIconFile.isEmpty()) {
        if (GetUrlIcon(m_strTarget, nullptr, &icon))
            return icon;
        return shell::FileIcon(m_strTarget);
    }
    shell::ExtractIconEx(m_strIconFile, m_nIconIndex, nullptr, &icon);
    return icon;
}

bool CThemeItem::InitFromTarget()
{
    if (m_strTarget.isEmpty())
        return false;
    m_nIconIndex = 0;
    m_nReserved1 = 0;
    m_nReserved2 = 0;
    m_ptPosition = QPoint(0, 0);
    m_nShowCmd = 1;
    m_bDialFirst = 0;
    m_strArguments.clear();
    m_strStartIn.clear();
    m_strIconFile.clear();

    QString name;
    if (shell::GetDisplayName(m_strTarget, &name))
        m_strName = name;
    QString iconFile;
    int index = 0;
    if (shell::GetIconLocation(m_strTarget, &iconFile, &index)) {
        m_strIconFile = iconFile;
        m_nIconIndex = 0;
    }
    return true;
}

bool CThemeItem::CopyWithFullPaths(const CThemeItem& source)
{
    m_strName = source.m_strName;
    m_strArguments = source.m_strArguments;
    if (GetUrlScheme(source.m_strTarget) != URL_NONE)
        m_strTarget = source.m_strTarget;
    else if (!ItemFullPath(source.m_strTarget, &m_strTarget))
        return false;
    m_strStartIn = source.m_strStartIn;
    if (!ItemFullPath(source.m_strIconFile, &m_strIconFile))
        return false;
    m_nIconIndex = source.m_nIconIndex;
    m_nShowCmd = source.m_nShowCmd;
    m_nReserved1 = source.m_nReserved1;
    m_nReserved2 = source.m_nReserved2;
    m_ptPosition = source.m_ptPosition;
    m_bDialFirst = source.m_bDialFirst;
    m_strDescription = source.m_strDescription;
    return true;
}
