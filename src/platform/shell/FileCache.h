#pragma once
// What is read from a file is kept until the file changes (its modification
// time, size or permissions), so a theme of many items opens quickly. User-interface
// thread only.

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QString>
#include <functional>

namespace shell {

template <typename T>
class FileCache
{
public:
    // The value for the file, made by read() when the file is new or changed.
    // A missing file is read too (read() decides what that yields).
    T Get(const QString& path, const std::function<T(const QString&)>& read)
    {
        const QFileInfo fi(path);
        const bool exists = fi.exists();
        const QDateTime stamp = exists ? fi.lastModified() : QDateTime();
        const qint64 size = exists ? fi.size() : -1;
        const int mode = exists ? int(fi.permissions()) : 0;
        auto it = m_entries.find(path);
        if (it != m_entries.end() && it->exists == exists && it->stamp == stamp && it->size == size &&
            it->mode == mode)
            return it->value;
        if (m_entries.size() > kLimit)
            m_entries.clear();
        Entry e{exists, stamp, size, mode, read(path)};
        m_entries.insert(path, e);
        return e.value;
    }
    void Clear() { m_entries.clear(); }

private:
    static constexpr qsizetype kLimit = 20000;
    struct Entry
    {
        bool exists;
        QDateTime stamp;
        qint64 size;
        int mode;
        T value;
    };
    QHash<QString, Entry> m_entries;
};

} // namespace shell
