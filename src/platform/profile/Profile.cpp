#include "Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace profile {

namespace {

struct Lines
{
    QStringList lines;
    bool crlf = false;
    bool existed = false;
};

Lines readLines(const QString& file)
{
    Lines l;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return l;
    l.existed = true;
    const QByteArray bytes = f.readAll();
    l.crlf = bytes.contains("\r\n");
    QString text = QString::fromUtf8(bytes);
    text.replace("\r\n", "\n");
    l.lines = text.split('\n');
    if (!l.lines.isEmpty() && l.lines.last().isEmpty())
        l.lines.removeLast();
    return l;
}

bool writeLines(const QString& file, const Lines& l)
{
    const QFileInfo info(file);
    QDir().mkpath(info.absolutePath());
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QString eol = l.crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString& line : l.lines)
        text += line + eol;
    const QByteArray bytes = text.toUtf8();
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

// The name of a section header line, or a null string when the line is none.
QString sectionOf(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.startsWith('['))
        return QString();
    const int close = t.indexOf(']');
    if (close < 0)
        return QString();
    return t.mid(1, close - 1).trimmed();
}

bool isComment(const QString& t)
{
    return t.startsWith(';') || t.startsWith('#');
}

// Key and value of a "key=value" line; false for anything else.
bool splitKey(const QString& line, QString& key, QString& value)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || isComment(t) || t.startsWith('['))
        return false;
    const int eq = t.indexOf('=');
    if (eq < 0) {
        key = t;
        value.clear();
        return true;
    }
    key = t.left(eq).trimmed();
    value = t.mid(eq + 1).trimmed();
    return true;
}

// Line range [begin, end) of a section's body; begin is -1 when it is absent.
void findSection(const QStringList& lines, const QString& section, int& header, int& end)
{
    header = -1;
    end = lines.size();
    for (int i = 0; i < lines.size(); ++i) {
        const QString name = sectionOf(lines[i]);
        if (name.isNull())
            continue;
        if (header >= 0) {
            end = i;
            return;
        }
        if (name.compare(section, Qt::CaseInsensitive) == 0)
            header = i;
    }
}

int findKey(const QStringList& lines, int header, int end, const QString& key)
{
    QString k, v;
    for (int i = header + 1; i < end; ++i)
        if (splitKey(lines[i], k, v) && k.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString unquote(const QString& v)
{
    if (v.size() >= 2 && ((v.startsWith('"') && v.endsWith('"')) || (v.startsWith('\'') && v.endsWith('\''))))
        return v.mid(1, v.size() - 2);
    return v;
}

bool lookUp(const QString& section, const QString& key, const QString& file, QString& value)
{
    if (section.isNull() || key.isNull())
        return false;
    const Lines l = readLines(file);
    int header, end;
    findSection(l.lines, section, header, end);
    if (header < 0)
        return false;
    const int at = findKey(l.lines, header, end, key);
    if (at < 0)
        return false;
    QString k;
    splitKey(l.lines[at], k, value);
    value = unquote(value);
    return true;
}

} // namespace

int GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                            QString& out, const QString& file)
{
    QString value;
    if (lookUp(section, key, file, value))
        out = value;
    else
        out = defaultValue.isNull() ? QString("") : QString(defaultValue).trimmed();
    return int(out.size());
}

int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue, const QString& file)
{
    QString value;
    if (!lookUp(section, key, file, value))
        return defaultValue;
    int i = 0;
    while (i < value.size() && value[i].isSpace())
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) {
        negative = value[i] == '-';
        ++i;
    }
    long long n = 0;
    bool any = false;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        n = n * 10 + (value[i].unicode() - '0');
        if (n > 0xFFFFFFFFLL)
            n = 0xFFFFFFFFLL;
        any = true;
    }
    if (!any)
        return 0;
    return int(negative ? -n : n);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file)
{
    if (section.isNull())
        return key.isNull() && value.isNull(); // a flush: nothing is cached
    Lines l = readLines(file);
    int header, end;
    findSection(l.lines, section, header, end);
    if (key.isNull()) {
        if (header < 0)
            return true;
        l.lines.erase(l.lines.begin() + header, l.lines.begin() + end);
        return writeLines(file, l);
    }
    if (header < 0) {
        if (value.isNull())
            return true;
        if (!l.lines.isEmpty() && !l.lines.last().trimmed().isEmpty())
            l.lines << QString();
        l.lines << "[" + section + "]" << key + "=" + value;
        return writeLines(file, l);
    }
    const int at = findKey(l.lines, header, end, key);
    if (value.isNull()) {
        if (at < 0)
            return true;
        l.lines.removeAt(at);
        return writeLines(file, l);
    }
    if (at >= 0) {
        QString oldKey, oldValue;
        splitKey(l.lines[at], oldKey, oldValue);
        l.lines[at] = oldKey + "=" + value;
    } else {
        // After the section's last non-blank line, so blank separators stay put.
        int insert = end;
        while (insert > header + 1 && l.lines[insert - 1].trimmed().isEmpty())
            --insert;
        l.lines.insert(insert, key + "=" + value);
    }
    return writeLines(file, l);
}

QStringList GetPrivateProfileSectionNames(const QString& file)
{
    QStringList out;
    for (const QString& line : readLines(file).lines) {
        const QString name = sectionOf(line);
        if (!name.isNull())
            out << name;
    }
    return out;
}

QStringList GetPrivateProfileKeys(const QString& section, const QString& file)
{
    const Lines l = readLines(file);
    int header, end;
    findSection(l.lines, section, header, end);
    QStringList out;
    if (header < 0)
        return out;
    QString k, v;
    for (int i = header + 1; i < end; ++i)
        if (splitKey(l.lines[i], k, v))
            out << k;
    return out;
}

} // namespace profile
