#include "platform/shell/DesktopEntry.h"

#include "platform/shell/FileCache.h"

#include <QFile>
#include <QFileInfo>

namespace shell {

namespace {
const QString kEntryGroup = QStringLiteral("Desktop Entry");
}

bool KeyFile::Parse(const QByteArray& bytes)
{
    m_groups.clear();
    QString group;
    bool any = false;
    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2);
            m_groups[group]; // an empty group still exists
            any = true;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || group.isEmpty())
            continue;
        const QString key = line.left(eq).trimmed();
        auto& entries = m_groups[group];
        // The first occurrence of a key counts.
        bool seen = false;
        for (const auto& e : entries)
            seen = seen || e.first == key;
        if (!seen)
            entries.append({key, line.mid(eq + 1).trimmed()});
    }
    return any;
}

QString KeyFile::RawValue(const QString& group, const QString& key) const
{
    const auto it = m_groups.constFind(group);
    if (it == m_groups.constEnd())
        return QString();
    for (const auto& e : *it)
        if (e.first == key)
            return e.second.isNull() ? QStringLiteral("") : e.second;
    return QString();
}

QStringList KeyFile::Keys(const QString& group) const
{
    QStringList keys;
    for (const auto& e : m_groups.value(group))
        keys << e.first;
    return keys;
}

QString UnescapeValue(const QString& raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != u'\\' || i + 1 >= raw.size()) {
            out += c;
            continue;
        }
        const QChar n = raw.at(++i);
        switch (n.unicode()) {
        case 's': out += u' '; break;
        case 'n': out += u'\n'; break;
        case 't': out += u'\t'; break;
        case 'r': out += u'\r'; break;
        case '\\': out += u'\\'; break;
        default:
            // unknown escapes (and "\;" of lists) pass on untouched
            out += c;
            out += n;
        }
    }
    return out;
}

QStringList SplitListValue(const QString& raw)
{
    QStringList items;
    QString cur;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c == u'\\' && i + 1 < raw.size() && raw.at(i + 1) == u';') {
            cur += u';';
            ++i;
        } else if (c == u';') {
            items << UnescapeValue(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.isEmpty())
        items << UnescapeValue(cur);
    return items;
}

QStringList LocaleCandidates()
{
    QString loc;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        loc = QString::fromLocal8Bit(qgetenv(var));
        if (!loc.isEmpty())
            break;
    }
    if (loc.isEmpty() || loc == u"C" || loc == u"POSIX")
        return {};
    QString modifier;
    const qsizetype at = loc.indexOf(u'@');
    if (at >= 0) {
        modifier = loc.mid(at);
        loc.truncate(at);
    }
    const qsizetype dot = loc.indexOf(u'.');
    if (dot >= 0)
        loc.truncate(dot);
    const qsizetype us = loc.indexOf(u'_');
    const QString lang = us >= 0 ? loc.left(us) : loc;
    QStringList c;
    if (us >= 0) {
        if (!modifier.isEmpty())
            c << loc + modifier;
        c << loc;
    }
    if (!modifier.isEmpty())
        c << lang + modifier;
    c << lang;
    return c;
}

bool DesktopEntry::Load(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // Desktop entries are small; a huge file is not one.
    if (f.size() > 1024 * 1024)
        return false;
    return LoadFromBytes(f.readAll(), path);
}

bool DesktopEntry::LoadFromBytes(const QByteArray& bytes, const QString& path)
{
    m_strPath = path;
    return m_file.Parse(bytes) && m_file.HasGroup(kEntryGroup);
}

QString DesktopEntry::Value(const QString& key) const
{
    const QString raw = m_file.RawValue(kEntryGroup, key);
    return raw.isNull() ? QString() : UnescapeValue(raw);
}

QString DesktopEntry::LocalizedValue(const QString& key) const
{
    for (const QString& loc : LocaleCandidates()) {
        const QString raw = m_file.RawValue(kEntryGroup, key + u'[' + loc + u']');
        if (!raw.isNull())
            return UnescapeValue(raw);
    }
    return Value(key);
}

bool DesktopEntry::BoolValue(const QString& key) const
{
    return Value(key).trimmed() == u"true";
}

bool DesktopEntry::ExecWords(QStringList* words) const
{
    const QString exec = Exec();
    words->clear();
    QString cur;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size()) {
                const QChar n = exec.at(i + 1);
                if (n == u'"' || n == u'`' || n == u'$' || n == u'\\') {
                    cur += n;
                    ++i;
                    continue;
                }
            }
            if (c == u'"')
                quoted = false;
            else
                cur += c;
        } else if (c == u'"') {
            quoted = true;
            inWord = true;
            // a quoted word is never a field code: mark it so
            cur += QChar(0xE000);
        } else if (c == u' ' || c == u'\t') {
            if (inWord)
                *words << cur;
            cur.clear();
            inWord = false;
        } else {
            cur += c;
            inWord = true;
        }
    }
    if (quoted)
        return false;
    if (inWord)
        *words << cur;
    return true;
}

QList<QStringList> DesktopEntry::CommandLines(const QStringList& files) const
{
    QStringList words;
    if (!ExecWords(&words) || words.isEmpty())
        return {};

    enum class Files { None, One, All };
    Files mode = Files::None;
    for (const QString& w : words) {
        if (w == u"%f" || w == u"%u")
            mode = Files::One;
        else if (w == u"%F" || w == u"%U")
            mode = Files::All;
        if (mode != Files::None)
            break;
    }

    auto build = [&](const QStringList& these) {
        QStringList out;
        bool filesPlaced = false;
        for (QString w : words) {
            if (w.startsWith(QChar(0xE000))) {
                out << w.remove(QChar(0xE000)).replace(QStringLiteral("%%"), QStringLiteral("%"));
                continue;
            }
            if (w.size() == 2 && w.at(0) == u'%') {
                switch (w.at(1).unicode()) {
                case 'f': case 'u': case 'F': case 'U':
                    // only the first file code takes the files
                    if (!filesPlaced)
                        out << these;
                    filesPlaced = true;
                    continue;
                case 'i':
                    if (!Icon().isEmpty())
                        out << QStringLiteral("--icon") << Icon();
                    continue;
                case 'c':
                    out << Name();
                    continue;
                case 'k':
                    if (!m_strPath.isEmpty())
                        out << m_strPath;
                    continue;
                case '%':
                    out << QStringLiteral("%");
                    continue;
                default:
                    continue; // deprecated and unknown codes vanish
                }
            }
            w.replace(QStringLiteral("%%"), QStringLiteral("%"));
            out << w;
        }
        if (mode == Files::None)
            out << these;
        return out;
    };

    QList<QStringList> lines;
    if (mode == Files::One && files.size() > 1) {
        for (const QString& f : files)
            lines << build({f});
    } else {
        lines << build(files);
    }
    return lines;
}

std::shared_ptr<const DesktopEntry> CachedDesktopEntry(const QString& path)
{
    static FileCache<std::shared_ptr<const DesktopEntry>> cache;
    return cache.Get(path, [](const QString& p) -> std::shared_ptr<const DesktopEntry> {
        auto e = std::make_shared<DesktopEntry>();
        if (!e->Load(p))
            return nullptr;
        return e;
    });
}

} // namespace shell
