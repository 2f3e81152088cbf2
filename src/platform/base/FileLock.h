#pragma once
// An exclusive lock between processes on a lock file beside the data it
// guards. The lock is an flock on the file, released when the descriptor is
// closed, also when its process dies, so a crash never leaves it held and
// taking it writes nothing to disk. The file stays: removing it would let a
// waiter and a newcomer lock two different files.

#include <QFile>
#include <QString>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace base {

class FileLock
{
public:
    FileLock() = default;
    ~FileLock() { Unlock(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits up to timeoutMs for the lock; false when it could not be had.
    bool Lock(const QString& path, int timeoutMs)
    {
        Unlock();
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            return false;
        for (int waited = 0;; waited += kPollMs) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
                return true;
            if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= timeoutMs)
                break;
            QThread::msleep(kPollMs);
        }
        Unlock();
        return false;
    }

    bool IsLocked() const { return m_fd >= 0; }

    void Unlock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    static constexpr int kPollMs = 5;
    int m_fd = -1;
};

} // namespace base
