#pragma once
// What is read from a file is kept until the file changes (its modification
// time, size, permissions or identity), so a theme of many items opens
// quickly. One stat call a look-up. User-interface thread only.

#include <QFile>
#include <QHash>
#include <QString>
#include <functional>

#include <sys/stat.h>

namespace shell {

template <typename T>
class FileCache
{
public:
    // The value for the file, made by read() when the file is new or changed.
    // A missing file is read too (read() decides what that yields).
    T Get(const QString& path, const std::function<T(const QString&)>& read)
    {
        struct stat st;
        const bool exists = !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0;
        const Stamp stamp = exists ? Stamp{qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec), qint64(st.st_size),
                                           quint64(st.st_ino), quint64(st.st_dev), quint32(st.st_mode)}
                                   : Stamp{};
        auto it = m_entries.find(path);
        if (it != m_entries.end() && it->exists == exists && it->stamp == stamp)
            return it->value;
        if (m_entries.size() > kLimit)
            m_entries.clear();
        Entry e{exists, stamp, read(path)};
        m_entries.insert(path, e);
        return e.value;
    }
    void Clear() { m_entries.clear(); }

private:
    static constexpr qsizetype kLimit = 20000;
    struct Stamp
    {
        qint64 sec = 0, nsec = 0, size = -1;
        quint64 inode = 0, device = 0;
        quint32 mode = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct Entry
    {
        bool exists;
        Stamp stamp;
        T value;
    };
    QHash<QString, Entry> m_entries;
};

} // namespace shell
