#include "Registry.h"
#include "platform/base/FileLock.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QStandardPaths>
#include <QHash>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sys/stat.h>

namespace reg {

namespace {

struct Value
{
    QString name;
    DWORD type = REG_NONE;
    QByteArray data; // REG_SZ: UTF-8 without the terminating zero
};

// Names compare the way QString::compare(Qt::CaseInsensitive) does.
QString fold(const QString& name)
{
    return name.toCaseFolded();
}

// One key of the tree. A key holds only its own name, so a deep path costs
// memory in proportion to its length, not to the sum of all its prefixes.
struct Key
{
    QString name; // this component, as first written
    std::vector<Value> values;
    QHash<QString, qsizetype> index; // folded value name -> position in values
    std::map<QString, std::unique_ptr<Key>> children; // by folded name: stable file order

    Value* find(const QString& valueName)
    {
        const auto it = index.constFind(fold(valueName));
        return it == index.cend() ? nullptr : &values[size_t(*it)];
    }

    // False when the value already held exactly this.
    bool set(const QString& valueName, DWORD type, const QByteArray& data)
    {
        if (Value* v = find(valueName)) {
            if (v->type == type && v->data == data)
                return false;
            v->type = type;
            v->data = data;
            return true;
        }
        index.insert(fold(valueName), qsizetype(values.size()));
        values.push_back(Value{valueName, type, data});
        return true;
    }

    bool remove(const QString& valueName)
    {
        const auto it = index.find(fold(valueName));
        if (it == index.end())
            return false;
        const qsizetype at = *it;
        index.erase(it);
        values.erase(values.begin() + at);
        for (auto& i : index)
            if (i > at)
                --i;
        return true;
    }
};

// Splits a key path at '\' and '/' (empty components vanish); false when it
// has more than maxDepth components.
bool splitPath(const QString& path, QStringList& parts, int maxDepth = kMaxKeyDepth)
{
    parts.clear();
    qsizetype begin = 0;
    const qsizetype n = path.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && path[i] != '\\' && path[i] != '/')
            continue;
        if (i > begin) {
            if (parts.size() >= maxDepth)
                return false;
            parts << path.mid(begin, i - begin);
        }
        begin = i + 1;
    }
    return true;
}

struct FileStamp
{
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtimeNs = 0;
    bool operator==(const FileStamp& o) const
    {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size && mtimeNs == o.mtimeNs;
    }
};

FileStamp stampOf(const QString& file)
{
    FileStamp s;
    struct stat st;
    if (::stat(QFile::encodeName(file).constData(), &st) == 0) {
        s.exists = true;
        s.dev = st.st_dev;
        s.ino = st.st_ino;
        s.size = st.st_size;
        s.mtimeNs = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    }
    return s;
}

QString escapeText(const QString& s)
{
    QString out;
    out.reserve(s.size() + 2);
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\0': out += "\\0"; break;
        default: out += c;
        }
    }
    return out;
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing quote.
bool readQuoted(const QString& s, int& pos, QString& out)
{
    if (pos >= s.size() || s[pos] != '"')
        return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        QChar c = s[pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (pos >= s.size())
                return false;
            QChar e = s[pos++];
            switch (e.unicode()) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case '0': out += QChar(0); break;
            default: out += e;
            }
        } else {
            out += c;
        }
    }
    return false;
}

bool parseHexBytes(const QString& text, QByteArray& out)
{
    out.clear();
    const QStringList parts = text.split(',', Qt::SkipEmptyParts);
    for (const QString& p : parts) {
        bool ok = false;
        uint b = p.trimmed().toUInt(&ok, 16);
        if (!ok || b > 0xFF)
            return false;
        out.append(char(b));
    }
    return true;
}

// Whether a line holds a hex value, whose data may continue on the lines
// that follow; decided once per value, from its first line.
bool isHexValueLine(const QString& line)
{
    const QString t = line.trimmed();
    int pos = 0;
    QString name;
    if (t.startsWith('@'))
        pos = 1;
    else if (!readQuoted(t, pos, name))
        return false;
    if (pos >= t.size() || t[pos] != '=')
        return false;
    return QStringView(t).mid(pos + 1).trimmed().startsWith(QLatin1String("hex"), Qt::CaseInsensitive);
}

// Hands out the lines of a text one at a time, without copying the rest.
class LineReader
{
public:
    explicit LineReader(const QString& text) : m_text(text) {}
    bool atEnd() const { return m_pos > m_text.size(); }
    int number() const { return m_nLine; }
    QString next()
    {
        qsizetype end = m_text.indexOf('\n', m_pos);
        if (end < 0)
            end = m_text.size();
        qsizetype len = end - m_pos;
        if (len > 0 && m_text[end - 1] == '\r')
            --len;
        QString line = m_text.mid(m_pos, len);
        m_pos = end + 1;
        ++m_nLine;
        return line;
    }

private:
    const QString& m_text;
    qsizetype m_pos = 0;
    int m_nLine = 0;
};

class HiveStore
{
public:
    explicit HiveStore(Hive hive) : m_hive(hive) {}

    QMutex mutex;

    // Brings the in-memory hive up to date with the file.
    void refresh()
    {
        const QString file = HiveFilePath(m_hive);
        if (file != m_file) {
            m_file = file;
            m_stamp = FileStamp{};
            m_loaded = false;
        }
        FileStamp now = stampOf(m_file);
        if (m_loaded && now == m_stamp)
            return;
        load(now);
    }

    // The key at the path, or null; storedPath receives the path in the case
    // the hive keeps. An empty path is the hive's root.
    Key* findKey(const QStringList& parts, QString* storedPath = nullptr)
    {
        Key* k = &m_root;
        QStringList stored;
        for (const QString& p : parts) {
            const auto it = k->children.find(fold(p));
            if (it == k->children.end())
                return nullptr;
            k = it->second.get();
            stored << k->name;
        }
        if (storedPath)
            *storedPath = stored.join('\\');
        return k;
    }

    // Creates the missing keys of the path; parents already present keep
    // their case. Returns how many keys were created.
    int ensureKey(const QStringList& parts, Key** out = nullptr)
    {
        Key* k = &m_root;
        int created = 0;
        for (const QString& p : parts) {
            const QString f = fold(p);
            auto it = k->children.find(f);
            if (it == k->children.end()) {
                auto child = std::make_unique<Key>();
                child->name = p;
                it = k->children.emplace(f, std::move(child)).first;
                ++created;
            }
            k = it->second.get();
        }
        if (out)
            *out = k;
        return created;
    }

    bool deleteTree(const QStringList& parts)
    {
        if (parts.isEmpty())
            return false;
        Key* parent = findKey(parts.mid(0, parts.size() - 1));
        return parent && parent->children.erase(fold(parts.last())) > 0;
    }

    // Runs a change under the inter-process lock against the latest file and
    // writes the result atomically. The change returns ERROR_SUCCESS to write,
    // kUnchanged when there is nothing to write.
    static constexpr LONG kUnchanged = -1;
    template <typename F>
    LONG modify(F change)
    {
        if (!m_writable)
            return ERROR_ACCESS_DENIED;
        const QString file = HiveFilePath(m_hive);
        QDir().mkpath(QFileInfo(file).absolutePath());
        base::FileLock lock;
        if (!lock.Lock(file + ".lock", 5000))
            return ERROR_WRITE_FAULT;
        // Another process may have written since we last looked.
        m_file = file;
        load(stampOf(file));
        if (!m_writable)
            return ERROR_ACCESS_DENIED;
        const LONG r = change();
        if (r == kUnchanged)
            return ERROR_SUCCESS;
        if (r != ERROR_SUCCESS)
            return r;
        if (!save()) {
            // Memory no longer matches the file: read it again next time.
            m_loaded = false;
            return ERROR_WRITE_FAULT;
        }
        m_stamp = stampOf(file);
        return ERROR_SUCCESS;
    }

    void forget()
    {
        clear();
        m_loaded = false;
        m_writable = true;
        m_file.clear();
        m_stamp = FileStamp{};
    }

private:
    void clear() { m_root = Key{}; }

    void load(const FileStamp& stamp)
    {
        clear();
        m_loaded = true;
        m_stamp = stamp;
        m_writable = true;
        if (!stamp.exists)
            return;
        QFile f(m_file);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "dialtop: cannot read settings file %s; settings are not saved this session\n",
                         qPrintable(m_file));
            m_writable = false;
            return;
        }
        // Never more than the limit in memory, however large the file.
        const QByteArray bytes = f.read(kMaxHiveBytes + 1);
        f.close();
        QString why;
        if (bytes.size() > kMaxHiveBytes)
            why = QStringLiteral("larger than %1 MiB").arg(kMaxHiveBytes >> 20);
        else
            parse(bytes, why);
        if (why.isEmpty())
            return;
        clear();
        // The damaged file is the user's only copy: keep it under a name
        // of its own, and never write over it.
        const QString stem = m_file + ".damaged-" + QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss");
        QString aside = stem;
        for (int n = 2; QFileInfo::exists(aside) && n < 1000; ++n)
            aside = stem + "-" + QString::number(n);
        if (!QFileInfo::exists(aside) && QFile::rename(m_file, aside)) {
            std::fprintf(stderr, "dialtop: settings file %s was damaged (%s); kept as %s, starting from defaults\n",
                         qPrintable(m_file), qPrintable(why), qPrintable(aside));
        } else {
            std::fprintf(stderr, "dialtop: settings file %s is damaged (%s) and could not be moved aside; "
                                 "settings are not saved this session\n",
                         qPrintable(m_file), qPrintable(why));
            m_writable = false;
        }
        m_stamp = stampOf(m_file);
    }

    // Reads the text into the tree in one pass; on failure why says what and
    // where. Every line is bounded, so the work is linear in the file's size.
    void parse(const QByteArray& bytes, QString& why)
    {
        const QString text = QString::fromUtf8(bytes);
        LineReader lines(text);
        const QString hiveName = HiveName(m_hive);
        bool headSeen = false;
        Key* current = nullptr;
        int entries = 0;
        QStringList parts;
        auto fail = [&](const char* what) { why = QStringLiteral("line %1: %2").arg(lines.number()).arg(what); };
        while (!lines.atEnd()) {
            QString line = lines.next().trimmed();
            if (line.endsWith('\\') && isHexValueLine(line)) {
                // Continuation lines are appended as they come: never rescanned.
                do {
                    line.chop(1);
                    if (lines.atEnd())
                        break;
                    line += lines.next().trimmed();
                } while (line.endsWith('\\') && line.size() <= kMaxLineChars);
            }
            if (line.size() > kMaxLineChars)
                return fail("line too long");
            if (!headSeen) {
                if (line.isEmpty())
                    continue;
                if (line != "REGEDIT4" && line != "Windows Registry Editor Version 5.00")
                    return fail("not a settings file");
                headSeen = true;
                continue;
            }
            if (line.isEmpty() || line.startsWith(';'))
                continue;
            if (line.startsWith('[')) {
                if (!line.endsWith(']'))
                    return fail("unclosed key name");
                const QString full = line.mid(1, line.size() - 2);
                if (full.compare(hiveName, Qt::CaseInsensitive) == 0) {
                    current = &m_root;
                    continue;
                }
                if (!full.startsWith(hiveName + '\\', Qt::CaseInsensitive))
                    return fail("key of another hive");
                if (!splitPath(full.mid(hiveName.size() + 1), parts))
                    return fail("key path too deep");
                entries += ensureKey(parts, &current);
                if (entries > kMaxHiveEntries)
                    return fail("too many keys and values");
                continue;
            }
            if (!current)
                return fail("value outside a key");
            Value v;
            int pos = 0;
            if (line.startsWith('@')) {
                pos = 1;
            } else if (!readQuoted(line, pos, v.name)) {
                return fail("bad value name");
            }
            if (v.name.size() > kMaxValueNameChars)
                return fail("value name too long");
            if (pos >= line.size() || line[pos] != '=')
                return fail("no '=' after the value name");
            ++pos;
            const QString rest = line.mid(pos).trimmed();
            if (rest.startsWith('"')) {
                QString s;
                int p = 0;
                if (!readQuoted(rest, p, s) || !rest.mid(p).trimmed().isEmpty())
                    return fail("bad text value");
                v.type = REG_SZ;
                v.data = s.toUtf8();
            } else if (rest.startsWith("dword:", Qt::CaseInsensitive)) {
                bool ok = false;
                const QString digits = rest.mid(6).trimmed();
                if (digits.isEmpty() || digits.size() > 8)
                    return fail("bad dword value");
                const uint n = digits.toUInt(&ok, 16);
                if (!ok)
                    return fail("bad dword value");
                v.type = REG_DWORD;
                v.data.resize(4);
                for (int b = 0; b < 4; ++b)
                    v.data[b] = char((n >> (8 * b)) & 0xFF);
            } else if (rest.startsWith("hex:", Qt::CaseInsensitive)) {
                v.type = REG_BINARY;
                if (!parseHexBytes(rest.mid(4), v.data))
                    return fail("bad hex value");
            } else if (rest.startsWith("hex(", Qt::CaseInsensitive)) {
                const int close = rest.indexOf("):");
                bool ok = false;
                v.type = close < 0 ? 0 : rest.mid(4, close - 4).toUInt(&ok, 16);
                if (!ok || !parseHexBytes(rest.mid(close + 2), v.data))
                    return fail("bad hex value");
            } else if (rest == "-") {
                continue;
            } else {
                return fail("unknown value type");
            }
            if (v.data.size() > qsizetype(kMaxValueBytes))
                return fail("value too large");
            if (++entries > kMaxHiveEntries)
                return fail("too many keys and values");
            current->set(v.name, v.type, v.data);
        }
    }

    static void writeValue(QString& out, const Value& v)
    {
        QString line = v.name.isEmpty() ? QString("@=") : "\"" + escapeText(v.name) + "\"=";
        if (v.type == REG_SZ) {
            line += "\"" + escapeText(QString::fromUtf8(v.data)) + "\"";
        } else if (v.type == REG_DWORD && v.data.size() == 4) {
            quint32 n = 0;
            for (int b = 0; b < 4; ++b)
                n |= quint32(quint8(v.data[b])) << (8 * b);
            line += QString("dword:%1").arg(n, 8, 16, QChar('0'));
        } else {
            static const char digits[] = "0123456789abcdef";
            line += v.type == REG_BINARY ? QString("hex:") : QString("hex(%1):").arg(v.type, 0, 16);
            line.reserve(line.size() + v.data.size() * 3 + v.data.size() / 8);
            qsizetype col = line.size();
            for (qsizetype i = 0; i < v.data.size(); ++i) {
                const bool last = i + 1 == v.data.size();
                if (col + (last ? 2 : 3) > 76 && !last) {
                    line += "\\\n  ";
                    col = 2;
                }
                const quint8 b = quint8(v.data[i]);
                line += QChar(digits[b >> 4]);
                line += QChar(digits[b & 15]);
                if (!last)
                    line += ',';
                col += last ? 2 : 3;
            }
        }
        out += line;
        out += '\n';
    }

    // Keys with values, and keys with neither values nor subkeys, get a
    // section; a parent with only subkeys is implied by them when read.
    void writeKey(QString& out, const Key& k, const QString& path, qsizetype& entries) const
    {
        entries += 1 + qsizetype(k.values.size());
        if (!k.values.empty() || k.children.empty()) {
            out += "\n[" + path + "]\n";
            for (const auto& v : k.values)
                writeValue(out, v);
        }
        for (const auto& [folded, child] : k.children)
            writeKey(out, *child, path + '\\' + child->name, entries);
    }

    bool save()
    {
        QString text = QStringLiteral("REGEDIT4\n");
        const QString hiveName = HiveName(m_hive);
        if (!m_root.values.empty()) {
            text += "\n[" + hiveName + "]\n";
            for (const auto& v : m_root.values)
                writeValue(text, v);
        }
        qsizetype entries = qsizetype(m_root.values.size());
        for (const auto& [folded, child] : m_root.children)
            writeKey(text, *child, hiveName + '\\' + child->name, entries);
        // Never write what the next read would call damaged.
        const QByteArray bytes = text.toUtf8();
        if (bytes.size() > kMaxHiveBytes || entries > kMaxHiveEntries)
            return false;
        QSaveFile f(m_file);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        if (f.write(bytes) != bytes.size()) {
            f.cancelWriting();
            return false;
        }
        return f.commit();
    }

    Hive m_hive;
    QString m_file;
    FileStamp m_stamp;
    bool m_loaded = false;
    bool m_writable = true;
    Key m_root;
};

HiveStore& store(Hive hive)
{
    static HiveStore stores[3] = {HiveStore(HKEY_CLASSES_ROOT), HiveStore(HKEY_CURRENT_USER),
                                  HiveStore(HKEY_LOCAL_MACHINE)};
    return stores[int(hive) % 3];
}

// Changes one key under the hive's lock and writes the hive; a key deleted
// meanwhile by someone else is reported as such.
template <typename Change>
LONG modifyKey(Hive hive, const QString& path, Change change)
{
    HiveStore& s = store(hive);
    QMutexLocker lock(&s.mutex);
    QStringList parts;
    if (!splitPath(path, parts))
        return ERROR_KEY_DELETED;
    return s.modify([&]() -> LONG {
        Key* k = s.findKey(parts);
        return k ? change(*k) : ERROR_KEY_DELETED;
    });
}

bool fitsLimits(const QString& name, const QByteArray& data)
{
    return name.size() <= kMaxValueNameChars && data.size() <= qsizetype(kMaxValueBytes);
}

} // namespace

void RegValueChanges::SetValue(const QString& name, DWORD type, const QByteArray& data)
{
    QByteArray bytes = data;
    if (type == REG_SZ) {
        const qsizetype nul = bytes.indexOf('\0');
        if (nul >= 0)
            bytes.truncate(nul);
    }
    m_changes.push_back(Change{name, type, bytes, false});
}

void RegValueChanges::SetString(const QString& name, const QString& text)
{
    SetValue(name, REG_SZ, text.toUtf8());
}

void RegValueChanges::SetDword(const QString& name, DWORD value)
{
    const char b[4] = {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
    SetValue(name, REG_DWORD, QByteArray(b, 4));
}

void RegValueChanges::SetBinary(const QString& name, const QByteArray& bytes)
{
    SetValue(name, REG_BINARY, bytes);
}

void RegValueChanges::DeleteValue(const QString& name)
{
    m_changes.push_back(Change{name, REG_NONE, {}, true});
}

QString ConfigRoot()
{
    const QByteArray own = qgetenv("DIALTOP_CONFIG_DIR");
    if (!own.isEmpty())
        return QDir::cleanPath(QFile::decodeName(own));
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(QFile::decodeName(xdg)))
        return QDir::cleanPath(QFile::decodeName(xdg) + "/dialtop");
    return QDir::homePath() + "/.config/dialtop";
}

QString HiveName(Hive hive)
{
    switch (hive) {
    case HKEY_CLASSES_ROOT: return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_LOCAL_MACHINE: return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_CURRENT_USER: break;
    }
    return QStringLiteral("HKEY_CURRENT_USER");
}

QString HiveFilePath(Hive hive)
{
    return ConfigRoot() + "/" + HiveName(hive) + ".reg";
}

LONG RegKey::Open(Hive hive, const QString& path)
{
    return OpenKey(hive, path, false);
}

LONG RegKey::Create(Hive hive, const QString& path)
{
    return OpenKey(hive, path, true);
}

LONG RegKey::OpenKey(Hive hive, const QString& path, bool create)
{
    m_bOpen = false;
    QStringList parts;
    if (!splitPath(path, parts))
        return create ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND;
    if (create && path.size() > kMaxKeyPathChars)
        return ERROR_INVALID_PARAMETER;
    HiveStore& s = store(hive);
    QMutexLocker lock(&s.mutex);
    s.refresh();
    QString stored;
    if (!s.findKey(parts, &stored)) {
        if (!create)
            return ERROR_FILE_NOT_FOUND;
        const LONG r = s.modify([&] { return s.ensureKey(parts) > 0 ? ERROR_SUCCESS : HiveStore::kUnchanged; });
        if (r != ERROR_SUCCESS)
            return r;
        if (!s.findKey(parts, &stored))
            stored = parts.join('\\');
    }
    m_hive = hive;
    m_strPath = stored;
    m_bOpen = true;
    return ERROR_SUCCESS;
}

LONG RegKey::QueryValue(const QString& name, DWORD* type, void* data, DWORD* length) const
{
    if (!m_bOpen)
        return ERROR_INVALID_PARAMETER;
    if (data && !length)
        return ERROR_INVALID_PARAMETER;
    HiveStore& s = store(m_hive);
    QMutexLocker lock(&s.mutex);
    s.refresh();
    QStringList parts;
    splitPath(m_strPath, parts);
    Key* k = s.findKey(parts);
    if (!k)
        return ERROR_KEY_DELETED;
    Value* v = k->find(name);
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    QByteArray bytes = v->data;
    if (v->type == REG_SZ)
        bytes.append('\0');
    if (type)
        *type = v->type;
    if (!data) {
        if (length)
            *length = DWORD(bytes.size());
        return ERROR_SUCCESS;
    }
    if (*length < DWORD(bytes.size())) {
        *length = DWORD(bytes.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.constData(), size_t(bytes.size()));
    *length = DWORD(bytes.size());
    return ERROR_SUCCESS;
}

LONG RegKey::SetValue(const QString& name, DWORD type, const void* data, DWORD length)
{
    if (!m_bOpen || (!data && length) || length > kMaxValueBytes + 1)
        return ERROR_INVALID_PARAMETER;
    RegValueChanges one;
    one.SetValue(name, type, QByteArray(static_cast<const char*>(data), qsizetype(length)));
    return SetValues(one);
}

LONG RegKey::SetValues(const RegValueChanges& changes)
{
    if (!m_bOpen)
        return ERROR_INVALID_PARAMETER;
    for (const auto& c : changes.m_changes)
        if (!fitsLimits(c.name, c.data))
            return ERROR_INVALID_PARAMETER;
    return modifyKey(m_hive, m_strPath, [&](Key& k) -> LONG {
        bool changed = false;
        for (const auto& c : changes.m_changes)
            changed = (c.bDelete ? k.remove(c.name) : k.set(c.name, c.type, c.data)) || changed;
        return changed ? ERROR_SUCCESS : HiveStore::kUnchanged;
    });
}

LONG RegKey::DeleteValue(const QString& name)
{
    if (!m_bOpen)
        return ERROR_INVALID_PARAMETER;
    return modifyKey(m_hive, m_strPath,
                     [&](Key& k) -> LONG { return k.remove(name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; });
}

bool RegKey::ReadString(const QString& name, QString& out) const
{
    QByteArray bytes;
    DWORD type = REG_NONE;
    if (!ReadBinary(name, bytes, &type) || type != REG_SZ)
        return false;
    const int nul = bytes.indexOf('\0');
    out = QString::fromUtf8(bytes.constData(), nul < 0 ? bytes.size() : nul);
    return true;
}

bool RegKey::ReadDword(const QString& name, DWORD& out) const
{
    QByteArray bytes;
    if (!ReadBinary(name, bytes) || bytes.size() != 4)
        return false;
    out = 0;
    for (int b = 0; b < 4; ++b)
        out |= DWORD(quint8(bytes[b])) << (8 * b);
    return true;
}

bool RegKey::ReadBinary(const QString& name, QByteArray& out, DWORD* type) const
{
    DWORD t = 0, len = 0;
    if (QueryValue(name, &t, nullptr, &len) != ERROR_SUCCESS)
        return false;
    QByteArray buf(int(len), '\0');
    if (QueryValue(name, &t, buf.data(), &len) != ERROR_SUCCESS)
        return false;
    buf.truncate(int(len));
    out = buf;
    if (type)
        *type = t;
    return true;
}

LONG RegKey::WriteString(const QString& name, const QString& text)
{
    QByteArray bytes = text.toUtf8();
    bytes.append('\0');
    return SetValue(name, REG_SZ, bytes.constData(), DWORD(bytes.size()));
}

LONG RegKey::WriteDword(const QString& name, DWORD value)
{
    unsigned char b[4] = {quint8(value), quint8(value >> 8), quint8(value >> 16), quint8(value >> 24)};
    return SetValue(name, REG_DWORD, b, 4);
}

LONG RegKey::WriteBinary(const QString& name, const QByteArray& bytes)
{
    return SetValue(name, REG_BINARY, bytes.constData(), DWORD(bytes.size()));
}

QStringList RegKey::SubKeyNames() const
{
    if (!m_bOpen)
        return {};
    HiveStore& s = store(m_hive);
    QMutexLocker lock(&s.mutex);
    s.refresh();
    QStringList parts, out;
    splitPath(m_strPath, parts);
    if (Key* k = s.findKey(parts))
        for (const auto& [folded, child] : k->children)
            out << child->name;
    return out;
}

QStringList RegKey::ValueNames() const
{
    if (!m_bOpen)
        return {};
    HiveStore& s = store(m_hive);
    QMutexLocker lock(&s.mutex);
    s.refresh();
    QStringList parts, out;
    splitPath(m_strPath, parts);
    if (Key* k = s.findKey(parts))
        for (const auto& v : k->values)
            out << v.name;
    return out;
}

LONG DeleteKeyTree(Hive hive, const QString& path)
{
    QStringList parts;
    if (!splitPath(path, parts))
        return ERROR_FILE_NOT_FOUND;
    if (parts.isEmpty())
        return ERROR_ACCESS_DENIED;
    HiveStore& s = store(hive);
    QMutexLocker lock(&s.mutex);
    return s.modify([&]() -> LONG { return s.deleteTree(parts) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; });
}

void ResetStore()
{
    for (Hive h : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HiveStore& s = store(h);
        QMutexLocker lock(&s.mutex);
        s.forget();
    }
}

} // namespace reg
