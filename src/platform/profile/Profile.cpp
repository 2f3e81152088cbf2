#include "Profile.h"
#include "platform/base/FileLock.h"
#include "platform/base/Numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

#include <vector>

namespace profile {

namespace {

QString fold(const QString& name)
{
    return name.toCaseFolded();
}

// The name of a section header line, or a null string when the line is none.
QString sectionOf(const QByteArray& line)
{
    // Most lines are no header: tell without copying them.
    qsizetype i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i == line.size() || line[i] != '[')
        return QString();
    const QByteArray t = line.trimmed();
    if (!t.startsWith('['))
        return QString();
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return QString();
    return QString::fromUtf8(t.mid(1, close - 1)).trimmed();
}

bool isComment(const QByteArray& t)
{
    return t.startsWith(';') || t.startsWith('#');
}

// Key and value of a "key=value" line; false for anything else.
bool splitKey(const QByteArray& line, QString& key, QString* value = nullptr)
{
    const QByteArray t = line.trimmed();
    if (t.isEmpty() || isComment(t) || t.startsWith('['))
        return false;
    const qsizetype eq = t.indexOf('=');
    if (eq < 0) {
        key = QString::fromUtf8(t);
        if (value)
            value->clear();
        return true;
    }
    key = QString::fromUtf8(t.left(eq)).trimmed();
    if (value)
        *value = QString::fromUtf8(t.mid(eq + 1)).trimmed();
    return true;
}

QString unquote(const QString& v)
{
    if (v.size() >= 2 && ((v.startsWith('"') && v.endsWith('"')) || (v.startsWith('\'') && v.endsWith('\''))))
        return v.mid(1, v.size() - 2);
    return v;
}

bool hasLineBreak(const QString& s)
{
    return s.contains('\n') || s.contains('\r') || s.contains(QChar(0));
}

bool storableSection(const QString& s)
{
    return !hasLineBreak(s) && !s.contains(']');
}

bool storableKey(const QString& k)
{
    const QString t = k.trimmed();
    return !t.isEmpty() && !hasLineBreak(k) && !k.contains('=') && !t.startsWith('[') && !t.startsWith(';')
           && !t.startsWith('#');
}

} // namespace

struct CProfileFile::Data
{
    struct Section
    {
        bool bHeader = false; // false only for the lines before the first header
        QByteArray header;
        QString name;
        std::vector<QByteArray> body; // up to the last non-blank line; null = deleted
        std::vector<QByteArray> tail; // blank lines after it
        bool bRemoved = false;
        bool bKeysBuilt = false;
        // Folded key -> its lines in body, last first, so the line that
        // counts is at the back and deleting it is cheap. Built when needed.
        QHash<QString, std::vector<size_t>> keys;
    };

    QByteArray raw; // the file as read; unchanged lines point into it
    std::vector<Section> sections;
    QHash<QString, size_t> index; // folded name -> first section of that name
    bool bIndexBuilt = false;
    bool bCrlf = false;
    bool bModified = false;

    QByteArray eol() const { return bCrlf ? QByteArrayLiteral("\r") : QByteArray(); }

    Section* find(const QString& name)
    {
        if (!bIndexBuilt) {
            index.clear();
            // The first section of a name counts: walking back, it is inserted last.
            for (size_t i = sections.size(); i-- > 0;)
                if (sections[i].bHeader && !sections[i].bRemoved)
                    index.insert(fold(sections[i].name), i);
            bIndexBuilt = true;
        }
        const auto it = index.constFind(fold(name));
        return it == index.cend() ? nullptr : &sections[*it];
    }

    static qsizetype findKey(Section& s, const QString& key)
    {
        if (!s.bKeysBuilt) {
            s.keys.clear();
            QString k;
            for (size_t i = s.body.size(); i-- > 0;)
                if (!s.body[i].isNull() && splitKey(s.body[i], k))
                    s.keys[fold(k)].push_back(i);
            s.bKeysBuilt = true;
        }
        const auto it = s.keys.constFind(fold(key));
        return it == s.keys.cend() ? -1 : qsizetype(it->back());
    }

    // The last line of the file as it stands, or null when it is empty.
    const QByteArray* lastLine() const
    {
        for (size_t i = sections.size(); i-- > 0;) {
            const Section& s = sections[i];
            if (s.bRemoved)
                continue;
            if (!s.tail.empty())
                return &s.tail.back();
            for (size_t j = s.body.size(); j-- > 0;)
                if (!s.body[j].isNull())
                    return &s.body[j];
            if (s.bHeader)
                return &s.header;
        }
        return nullptr;
    }
};

CProfileFile::CProfileFile() : d(std::make_unique<Data>()) {}

CProfileFile::~CProfileFile() = default;

bool CProfileFile::Load(const QString& file, qint64 maxBytes)
{
    d = std::make_unique<Data>();
    // Opened first and asked about only when that fails: QFile::exists()
    // can say no while another writer is replacing the file, and an empty
    // read then would lose every section.
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return !QFileInfo::exists(file);
    // Never more than the limit in memory, however large the file.
    d->raw = f.read(maxBytes + 1);
    if (d->raw.size() > maxBytes) {
        d = std::make_unique<Data>();
        return false;
    }
    d->bCrlf = d->raw.contains("\r\n");
    d->sections.emplace_back();
    const qsizetype n = d->raw.size();
    for (qsizetype pos = 0; pos < n;) {
        qsizetype end = d->raw.indexOf('\n', pos);
        if (end < 0)
            end = n;
        // Lines point into the buffer the file was read into: no copy each.
        QByteArray line = QByteArray::fromRawData(d->raw.constData() + pos, end - pos);
        pos = end + 1;
        const QString name = sectionOf(line);
        if (!name.isNull()) {
            Data::Section s;
            s.bHeader = true;
            s.header = std::move(line);
            s.name = name;
            d->sections.push_back(std::move(s));
        } else {
            d->sections.back().body.push_back(std::move(line));
        }
    }
    for (Data::Section& s : d->sections) {
        size_t end = s.body.size();
        while (end > 0 && s.body[end - 1].trimmed().isEmpty())
            --end;
        s.tail.assign(std::make_move_iterator(s.body.begin() + qsizetype(end)),
                      std::make_move_iterator(s.body.end()));
        s.body.resize(end);
    }
    return true;
}

QStringList CProfileFile::SectionNames() const
{
    QStringList out;
    for (const auto& s : d->sections)
        if (s.bHeader && !s.bRemoved)
            out << s.name;
    return out;
}

QString CProfileFile::FindSection(const QString& section) const
{
    const Data::Section* s = d->find(section);
    return s ? s->name : QString();
}

QStringList CProfileFile::Keys(const QString& section) const
{
    QStringList out;
    const Data::Section* s = d->find(section);
    if (!s)
        return out;
    QString k;
    for (const QByteArray& line : s->body)
        if (!line.isNull() && splitKey(line, k))
            out << k;
    return out;
}

bool CProfileFile::GetString(const QString& section, const QString& key, QString& value) const
{
    if (section.isNull() || key.isNull())
        return false;
    Data::Section* s = d->find(section);
    if (!s)
        return false;
    const qsizetype at = Data::findKey(*s, key);
    if (at < 0)
        return false;
    QString k;
    splitKey(s->body[size_t(at)], k, &value);
    value = unquote(value);
    return true;
}

bool CProfileFile::SetString(const QString& section, const QString& key, const QString& value)
{
    if (section.isNull() || key.isNull())
        return false;
    if (!storableSection(section) || !storableKey(key) || (!value.isNull() && hasLineBreak(value)))
        return false;
    Data::Section* s = d->find(section);
    if (!s) {
        if (value.isNull())
            return true;
        if (const QByteArray* last = d->lastLine(); last && !last->trimmed().isEmpty()) {
            // A blank line between sections, after whatever ends the file.
            for (auto it = d->sections.rbegin(); it != d->sections.rend(); ++it) {
                if (!it->bRemoved) {
                    it->tail.push_back(d->eol());
                    break;
                }
            }
        }
        Data::Section fresh;
        fresh.bHeader = true;
        fresh.header = "[" + section.toUtf8() + "]" + d->eol();
        fresh.name = section;
        fresh.body.push_back(key.toUtf8() + "=" + value.toUtf8() + d->eol());
        d->sections.push_back(std::move(fresh));
        d->bIndexBuilt = false;
        d->bModified = true;
        return true;
    }
    const qsizetype at = Data::findKey(*s, key);
    if (value.isNull()) {
        if (at >= 0) {
            s->body[size_t(at)] = QByteArray();
            // A later line of the same key, if any, counts from now on.
            const auto it = s->keys.find(fold(key));
            it->pop_back();
            if (it->empty())
                s->keys.erase(it);
            d->bModified = true;
        }
        return true;
    }
    if (at >= 0) {
        QByteArray& line = s->body[size_t(at)];
        QString oldKey;
        splitKey(line, oldKey);
        const QByteArray replaced = oldKey.toUtf8() + "=" + value.toUtf8() + (line.endsWith('\r') ? "\r" : "");
        if (replaced != line) {
            line = replaced;
            d->bModified = true;
        }
        return true;
    }
    s->body.push_back(key.toUtf8() + "=" + value.toUtf8() + d->eol());
    if (s->bKeysBuilt)
        s->keys.insert(fold(key), {s->body.size() - 1});
    d->bModified = true;
    return true;
}

bool CProfileFile::DeleteSection(const QString& section)
{
    if (section.isNull())
        return false;
    if (Data::Section* s = d->find(section)) {
        s->bRemoved = true;
        d->bIndexBuilt = false;
        d->bModified = true;
    }
    return true;
}

bool CProfileFile::RenameSection(const QString& section, const QString& newName)
{
    Data::Section* s = d->find(section);
    if (!s || !storableSection(newName))
        return false;
    const bool cr = s->header.endsWith('\r');
    s->header = "[" + newName.toUtf8() + "]" + (cr ? "\r" : "");
    s->name = newName;
    d->bIndexBuilt = false;
    d->bModified = true;
    return true;
}

bool CProfileFile::IsModified() const
{
    return d->bModified;
}

QByteArray CProfileFile::ToBytes() const
{
    QByteArray out;
    auto put = [&out](const QByteArray& line) {
        out += line;
        out += '\n';
    };
    for (const auto& s : d->sections) {
        if (s.bRemoved)
            continue;
        if (s.bHeader)
            put(s.header);
        for (const QByteArray& line : s.body)
            if (!line.isNull())
                put(line);
        for (const QByteArray& line : s.tail)
            put(line);
    }
    return out;
}

bool UpdatePrivateProfile(const QString& file, const std::function<bool(CProfileFile&)>& edit, qint64 maxBytes)
{
    const QString folder = QFileInfo(file).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        // No file yet: an edit that changes nothing must not create a folder.
        CProfileFile empty;
        if (!edit(empty))
            return false;
        if (!empty.IsModified())
            return true;
        if (!QDir().mkpath(folder))
            return false;
    }
    base::FileLock lock;
    if (!lock.Lock(file + ".lock", 5000))
        return false;
    // Read under the lock: what another process wrote is kept.
    CProfileFile doc;
    if (!doc.Load(file, maxBytes) || !edit(doc))
        return false;
    if (!doc.IsModified())
        return true;
    const QByteArray bytes = doc.ToBytes();
    if (bytes.size() > maxBytes)
        return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

QString QuoteProfileValue(const QString& value)
{
    const bool wrapped = value.size() >= 2
                         && ((value.startsWith('"') && value.endsWith('"'))
                             || (value.startsWith('\'') && value.endsWith('\'')));
    if (wrapped || value.trimmed() != value)
        return '"' + value + '"';
    return value;
}

int GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                            QString& out, const QString& file)
{
    CProfileFile doc;
    QString value;
    if (doc.Load(file) && doc.GetString(section, key, value))
        out = value;
    else
        out = defaultValue.isNull() ? QString("") : QString(defaultValue).trimmed();
    return int(out.size());
}

int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue, const QString& file)
{
    CProfileFile doc;
    QString value;
    if (!doc.Load(file) || !doc.GetString(section, key, value))
        return defaultValue;
    // Saturates at 32 bits, then wraps into int as the unsigned result did.
    return int(base::ParseLeadingInteger(value, -0xFFFFFFFFLL, 0xFFFFFFFFLL).value);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file)
{
    if (section.isNull())
        return key.isNull() && value.isNull(); // a flush: nothing is cached
    if (!storableSection(section) || (!key.isNull() && !storableKey(key)) || (!value.isNull() && hasLineBreak(value)))
        return false;
    return UpdatePrivateProfile(file, [&](CProfileFile& doc) {
        return key.isNull() ? doc.DeleteSection(section) : doc.SetString(section, key, value);
    });
}

QStringList GetPrivateProfileSectionNames(const QString& file)
{
    CProfileFile doc;
    return doc.Load(file) ? doc.SectionNames() : QStringList();
}

QStringList GetPrivateProfileKeys(const QString& section, const QString& file)
{
    CProfileFile doc;
    return doc.Load(file) ? doc.Keys(section) : QStringList();
}

} // namespace profile
