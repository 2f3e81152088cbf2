#include "Registry.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

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

struct Key
{
    QString path; // as first written, components joined by '\'
    std::vector<Value> values;

    Value* find(const QString& name)
    {
        for (auto& v : values)
            if (v.name.compare(name, Qt::CaseInsensitive) == 0)
                return &v;
        return nullptr;
    }
};

QString normalisePath(const QString& path)
{
    QStringList parts;
    QString cur;
    for (QChar c : path) {
        if (c == '\\' || c == '/') {
            if (!cur.isEmpty())
                parts << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.isEmpty())
        parts << cur;
    return parts.join('\\');
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

    Key* findKey(const QString& normPath)
    {
        auto it = m_keys.find(normPath.toLower());
        return it == m_keys.end() ? nullptr : &it->second;
    }

    bool keyExists(const QString& normPath)
    {
        return normPath.isEmpty() || findKey(normPath) != nullptr;
    }

    Key& ensureKey(const QString& normPath)
    {
        const QStringList parts = normPath.split('\\', Qt::SkipEmptyParts);
        QString prefix;
        Key* last = nullptr;
        for (const QString& p : parts) {
            prefix = prefix.isEmpty() ? p : prefix + '\\' + p;
            const QString lower = prefix.toLower();
            auto it = m_keys.find(lower);
            if (it == m_keys.end()) {
                Key k;
                // Keep the case of parents already present.
                k.path = prefix;
                it = m_keys.emplace(lower, std::move(k)).first;
            }
            prefix = it->second.path;
            last = &it->second;
        }
        if (!last)
            return m_root;
        return *last;
    }

    Key& rootOrKey(const QString& normPath)
    {
        if (normPath.isEmpty())
            return m_root;
        return ensureKey(normPath);
    }

    Key* rootOrFind(const QString& normPath)
    {
        if (normPath.isEmpty())
            return &m_root;
        return findKey(normPath);
    }

    bool deleteTree(const QString& normPath)
    {
        const QString lower = normPath.toLower();
        bool found = false;
        for (auto it = m_keys.begin(); it != m_keys.end();) {
            if (it->first == lower || it->first.startsWith(lower + '\\')) {
                it = m_keys.erase(it);
                found = true;
            } else {
                ++it;
            }
        }
        return found;
    }

    QStringList subKeys(const QString& normPath)
    {
        const QString lower = normPath.toLower();
        const QString prefix = lower.isEmpty() ? QString() : lower + '\\';
        QStringList out;
        for (auto& [k, key] : m_keys) {
            if (!k.startsWith(prefix))
                continue;
            const QString rest = k.mid(prefix.size());
            if (rest.isEmpty() || rest.contains('\\'))
                continue;
            out << key.path.section('\\', -1);
        }
        return out;
    }

    // Runs a change under the inter-process lock against the latest file and
    // writes the result atomically. The change returns ERROR_SUCCESS to write.
    template <typename F>
    LONG modify(F change)
    {
        if (!m_writable)
            return ERROR_ACCESS_DENIED;
        const QString file = HiveFilePath(m_hive);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QLockFile lock(file + ".lock");
        lock.setStaleLockTime(10000);
        if (!lock.tryLock(5000))
            return ERROR_WRITE_FAULT;
        // Another process may have written since we last looked.
        m_file = file;
        load(stampOf(file));
        if (!m_writable)
            return ERROR_ACCESS_DENIED;
        LONG r = change();
        if (r != ERROR_SUCCESS)
            return r;
        if (!save())
            return ERROR_WRITE_FAULT;
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
    void clear()
    {
        m_keys.clear();
        m_root = Key{};
    }

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
        const QByteArray bytes = f.readAll();
        f.close();
        if (!parse(bytes)) {
            clear();
            // The damaged file is the user's only copy: keep it under a name
            // of its own, and never write over it.
            const QString stem = m_file + ".damaged-" + QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss");
            QString aside = stem;
            for (int n = 2; QFileInfo::exists(aside) && n < 1000; ++n)
                aside = stem + "-" + QString::number(n);
            if (!QFileInfo::exists(aside) && QFile::rename(m_file, aside)) {
                std::fprintf(stderr, "dialtop: settings file %s was damaged; kept as %s, starting from defaults\n",
                             qPrintable(m_file), qPrintable(aside));
            } else {
                std::fprintf(stderr, "dialtop: settings file %s is damaged and could not be moved aside; "
                                     "settings are not saved this session\n",
                             qPrintable(m_file));
                m_writable = false;
            }
            m_stamp = stampOf(m_file);
        }
    }

    bool parse(const QByteArray& bytes)
    {
        QString text = QString::fromUtf8(bytes);
        QStringList lines = text.split('\n');
        // Join continuation lines of hex values.
        QStringList joined;
        for (int i = 0; i < lines.size(); ++i) {
            QString line = lines[i];
            if (line.endsWith('\r'))
                line.chop(1);
            while (line.endsWith('\\') && line.contains("=hex") && i + 1 < lines.size()) {
                line.chop(1);
                QString next = lines[++i];
                if (next.endsWith('\r'))
                    next.chop(1);
                line += next.trimmed();
            }
            joined << line;
        }
        int i = 0;
        while (i < joined.size() && joined[i].trimmed().isEmpty())
            ++i;
        if (i >= joined.size())
            return true; // an empty file is an empty hive
        const QString head = joined[i].trimmed();
        if (head != "REGEDIT4" && head != "Windows Registry Editor Version 5.00")
            return false;
        ++i;
        const QString hiveName = HiveName(m_hive);
        Key* current = nullptr;
        for (; i < joined.size(); ++i) {
            const QString line = joined[i].trimmed();
            if (line.isEmpty() || line.startsWith(';'))
                continue;
            if (line.startsWith('[')) {
                if (!line.endsWith(']'))
                    return false;
                const QString full = line.mid(1, line.size() - 2);
                if (full.compare(hiveName, Qt::CaseInsensitive) == 0) {
                    current = &m_root;
                    continue;
                }
                if (!full.startsWith(hiveName + '\\', Qt::CaseInsensitive))
                    return false;
                const QString path = normalisePath(full.mid(hiveName.size() + 1));
                current = &rootOrKey(path);
                continue;
            }
            if (!current)
                return false;
            Value v;
            int pos = 0;
            if (line.startsWith('@')) {
                pos = 1;
            } else if (!readQuoted(line, pos, v.name)) {
                return false;
            }
            if (pos >= line.size() || line[pos] != '=')
                return false;
            ++pos;
            const QString rest = line.mid(pos).trimmed();
            if (rest.startsWith('"')) {
                QString s;
                int p = 0;
                if (!readQuoted(rest, p, s) || !rest.mid(p).trimmed().isEmpty())
                    return false;
                v.type = REG_SZ;
                v.data = s.toUtf8();
            } else if (rest.startsWith("dword:", Qt::CaseInsensitive)) {
                bool ok = false;
                const QString digits = rest.mid(6).trimmed();
                if (digits.isEmpty() || digits.size() > 8)
                    return false;
                const uint n = digits.toUInt(&ok, 16);
                if (!ok)
                    return false;
                v.type = REG_DWORD;
                v.data.resize(4);
                for (int b = 0; b < 4; ++b)
                    v.data[b] = char((n >> (8 * b)) & 0xFF);
            } else if (rest.startsWith("hex:", Qt::CaseInsensitive)) {
                v.type = REG_BINARY;
                if (!parseHexBytes(rest.mid(4), v.data))
                    return false;
            } else if (rest.startsWith("hex(", Qt::CaseInsensitive)) {
                const int close = rest.indexOf("):");
                if (close < 0)
                    return false;
                bool ok = false;
                v.type = rest.mid(4, close - 4).toUInt(&ok, 16);
                if (!ok || !parseHexBytes(rest.mid(close + 2), v.data))
                    return false;
            } else if (rest == "-") {
                continue;
            } else {
                return false;
            }
            if (Value* old = current->find(v.name))
                *old = std::move(v);
            else
                current->values.push_back(std::move(v));
        }
        return true;
    }

    static void writeValue(QTextStream& out, const Value& v)
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
            line += v.type == REG_BINARY ? QString("hex:") : QString("hex(%1):").arg(v.type, 0, 16);
            int col = line.size();
            for (int i = 0; i < v.data.size(); ++i) {
                QString b = QString("%1").arg(quint8(v.data[i]), 2, 16, QChar('0'));
                if (i + 1 < v.data.size())
                    b += ',';
                if (col + b.size() > 76 && i + 1 < v.data.size()) {
                    line += "\\\n  ";
                    col = 2;
                }
                line += b;
                col += b.size();
            }
        }
        out << line << '\n';
    }

    bool save()
    {
        QSaveFile f(m_file);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        QString text;
        QTextStream out(&text);
        out << "REGEDIT4\n";
        const QString hiveName = HiveName(m_hive);
        if (!m_root.values.empty()) {
            out << "\n[" << hiveName << "]\n";
            for (const auto& v : m_root.values)
                writeValue(out, v);
        }
        for (const auto& [lower, key] : m_keys) {
            out << "\n[" << hiveName << '\\' << key.path << "]\n";
            for (const auto& v : key.values)
                writeValue(out, v);
        }
        out.flush();
        const QByteArray bytes = text.toUtf8();
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
    std::map<QString, Key> m_keys; // by lower-case path, so parents sort before children
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
    const QString norm = normalisePath(path);
    return s.modify([&]() -> LONG {
        Key* k = s.rootOrFind(norm);
        return k ? change(*k) : ERROR_KEY_DELETED;
    });
}

} // namespace

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
    HiveStore& s = store(hive);
    QMutexLocker lock(&s.mutex);
    s.refresh();
    const QString norm = normalisePath(path);
    if (!s.keyExists(norm)) {
        if (!create)
            return ERROR_FILE_NOT_FOUND;
        const LONG r = s.modify([&] {
            s.ensureKey(norm);
            return ERROR_SUCCESS;
        });
        if (r != ERROR_SUCCESS)
            return r;
    }
    m_hive = hive;
    Key* k = s.rootOrFind(norm);
    m_strPath = k ? k->path : norm;
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
    Key* k = s.rootOrFind(normalisePath(m_strPath));
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
    if (!m_bOpen || (!data && length))
        return ERROR_INVALID_PARAMETER;
    QByteArray bytes(static_cast<const char*>(data), int(length));
    if (type == REG_SZ) {
        const int nul = bytes.indexOf('\0');
        if (nul >= 0)
            bytes.truncate(nul);
    }
    return modifyKey(m_hive, m_strPath, [&](Key& k) -> LONG {
        if (Value* v = k.find(name)) {
            v->type = type;
            v->data = bytes;
        } else {
            k.values.push_back(Value{name, type, bytes});
        }
        return ERROR_SUCCESS;
    });
}

LONG RegKey::DeleteValue(const QString& name)
{
    if (!m_bOpen)
        return ERROR_INVALID_PARAMETER;
    return modifyKey(m_hive, m_strPath, [&](Key& k) -> LONG {
        for (auto it = k.values.begin(); it != k.values.end(); ++it) {
            if (it->name.compare(name, Qt::CaseInsensitive) == 0) {
                k.values.erase(it);
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    });
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
    return s.subKeys(normalisePath(m_strPath));
}

QStringList RegKey::ValueNames() const
{
    if (!m_bOpen)
        return {};
    HiveStore& s = store(m_hive);
    QMutexLocker lock(&s.mutex);
    s.refresh();
    QStringList out;
    if (Key* k = s.rootOrFind(normalisePath(m_strPath)))
        for (const auto& v : k->values)
            out << v.name;
    return out;
}

LONG DeleteKeyTree(Hive hive, const QString& path)
{
    const QString norm = normalisePath(path);
    if (norm.isEmpty())
        return ERROR_ACCESS_DENIED;
    HiveStore& s = store(hive);
    QMutexLocker lock(&s.mutex);
    return s.modify([&]() -> LONG { return s.deleteTree(norm) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; });
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
