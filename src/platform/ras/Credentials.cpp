#include "platform/ras/Credentials.h"

#include "platform/base/FileLock.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/ServiceSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QtGlobal>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ras {

namespace {

constexpr qint64 kMaxCredentialBytes = 1024 * 1024;

struct Record
{
    QString strEntry;
    QString strUserName;
    QString strDomain;
    QString strPassword;
    bool bPasswordSaved = false;
};

enum class FileState { Missing, Usable, Refused };

FileState Check(const QString& path)
{
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::lstat(native.constData(), &st) != 0)
        return errno == ENOENT ? FileState::Missing : FileState::Refused;
    const char* why = nullptr;
    if (!S_ISREG(st.st_mode))
        why = "is not a plain file";
    else if (st.st_uid != ::getuid())
        why = "belongs to another user";
    else if (st.st_mode & (S_IRWXG | S_IRWXO))
        why = "can be read or written by other users (it must have mode 600)";
    else if (st.st_size > kMaxCredentialBytes)
        why = "is too large to be a credentials file";
    if (why) {
        // Named after the program that reads it, as its other messages are.
        const QString app = QCoreApplication::applicationName();
        qWarning("%s: the stored dial parameters in %s are not used: the file %s.",
                 qPrintable(app.isEmpty() ? QStringLiteral("dialtop") : app), native.constData(), why);
        return FileState::Refused;
    }
    return FileState::Usable;
}

QString Decode(const QByteArray& b64)
{
    return QString::fromUtf8(QByteArray::fromBase64(b64.trimmed()));
}

QByteArray Encode(const QString& text)
{
    return text.toUtf8().toBase64();
}

// The file is ours alone, so its format is simple: a section per entry and
// base64 values (which keep blanks, '=' and any character intact; they are
// not meant to hide anything, the file mode does that).
QList<Record> Parse(const QByteArray& bytes)
{
    QList<Record> records;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith(';'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            Record r;
            r.strEntry = QString::fromUtf8(line.mid(1, line.size() - 2));
            records.append(r);
            continue;
        }
        if (records.isEmpty())
            continue;
        const int eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        const QByteArray value = line.mid(eq + 1);
        Record& r = records.last();
        if (key == "UserName")
            r.strUserName = Decode(value).left(RAS_MaxUserName);
        else if (key == "Domain")
            r.strDomain = Decode(value).left(RAS_MaxUserName);
        else if (key == "Password") {
            r.strPassword = Decode(value).left(RAS_MaxPassword);
            r.bPasswordSaved = true;
        }
    }
    return records;
}

QByteArray Serialise(const QList<Record>& records)
{
    QByteArray out = "# Dialtop stored dial parameters. Keep this file private (mode 600).\n";
    for (const Record& r : records) {
        out += '[' + r.strEntry.toUtf8() + "]\n";
        out += "UserName=" + Encode(r.strUserName) + '\n';
        if (!r.strDomain.isEmpty())
            out += "Domain=" + Encode(r.strDomain) + '\n';
        if (r.bPasswordSaved)
            out += "Password=" + Encode(r.strPassword) + '\n';
    }
    return out;
}

bool Load(QList<Record>& records, bool& refused)
{
    records.clear();
    refused = false;
    const QString path = CredentialsPath();
    switch (Check(path)) {
    case FileState::Missing:
        return true;
    case FileState::Refused:
        refused = true;
        return false;
    case FileState::Usable:
        break;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        refused = true;
        return false;
    }
    records = Parse(f.readAll());
    return true;
}

// Written to a new file created with mode 600 from the start, then renamed
// over the old one, so the secret is never readable by others, not even for
// a moment, and a crash leaves either the old or the new file.
DWORD Save(const QList<Record>& records)
{
    if (!MakePrivateFolder(ConfigFolder()))
        return ERROR_ACCESS_DENIED;
    const QString path = CredentialsPath();
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temp = target + ".new" + QByteArray::number(::getpid());
    ::unlink(temp.constData());
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return ERROR_ACCESS_DENIED;
    ::fchmod(fd, 0600);
    const QByteArray bytes = Serialise(records);
    qsizetype done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += n;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

// Every read-modify-write of the file holds this lock, so two programs
// saving at once keep both changes.
bool LockFile(base::FileLock& lock)
{
    return MakePrivateFolder(ConfigFolder()) && lock.Lock(CredentialsPath() + QStringLiteral(".lock"), 5000);
}

int IndexOf(const QList<Record>& records, const QString& entry)
{
    for (int i = 0; i < records.size(); ++i)
        if (records[i].strEntry.compare(entry, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

QString CredentialsPath()
{
    return ConfigFolder() + QStringLiteral("/credentials");
}

DWORD GetEntryDialParams(RasDialParams& params, bool& bPasswordSaved)
{
    bPasswordSaved = false;
    // A phonebook that cannot be opened says so, rather than "no such entry".
    QStringList names;
    if (DWORD rc = EnumEntries(names))
        return rc;
    QString stored;
    if (!FindEntry(params.strEntryName, &stored))
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    params.strUserName.clear();
    params.strPassword.clear();
    params.strDomain.clear();
    params.strPhoneNumber.clear();
    params.strCallbackNumber.clear();
    QList<Record> records;
    bool refused = false;
    Load(records, refused);
    const int i = IndexOf(records, stored);
    if (i >= 0) {
        params.strUserName = records[i].strUserName;
        params.strDomain = records[i].strDomain;
        if (records[i].bPasswordSaved) {
            params.strPassword = records[i].strPassword;
            bPasswordSaved = true;
        }
    }
    return ERROR_SUCCESS;
}

DWORD SetEntryDialParams(const RasDialParams& params, bool bRemovePassword)
{
    QStringList names;
    if (DWORD rc = EnumEntries(names))
        return rc;
    QString stored;
    if (!FindEntry(params.strEntryName, &stored))
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (params.strUserName.size() > RAS_MaxUserName || params.strPassword.size() > RAS_MaxPassword
        || params.strDomain.size() > RAS_MaxUserName)
        return ERROR_BUFFER_TOO_SMALL;
    base::FileLock lock;
    if (!LockFile(lock))
        return ERROR_ACCESS_DENIED;
    QList<Record> records;
    bool refused = false;
    if (!Load(records, refused))
        return ERROR_ACCESS_DENIED;
    int i = IndexOf(records, stored);
    if (i < 0) {
        Record r;
        r.strEntry = stored;
        records.append(r);
        i = records.size() - 1;
    }
    Record& r = records[i];
    r.strUserName = params.strUserName;
    r.strDomain = params.strDomain;
    if (bRemovePassword) {
        r.strPassword.clear();
        r.bPasswordSaved = false;
    } else {
        r.strPassword = params.strPassword;
        r.bPasswordSaved = true;
    }
    return Save(records);
}

DWORD RemoveCredentials(const QString& entry)
{
    base::FileLock lock;
    if (!LockFile(lock))
        return ERROR_ACCESS_DENIED;
    QList<Record> records;
    bool refused = false;
    if (!Load(records, refused))
        return ERROR_ACCESS_DENIED;
    bool changed = false;
    for (int i = records.size() - 1; i >= 0; --i)
        if (records[i].strEntry.compare(entry, Qt::CaseInsensitive) == 0) {
            records.removeAt(i);
            changed = true;
        }
    return changed ? Save(records) : ERROR_SUCCESS;
}

DWORD RenameCredentials(const QString& oldName, const QString& newName)
{
    base::FileLock lock;
    if (!LockFile(lock))
        return ERROR_ACCESS_DENIED;
    QList<Record> records;
    bool refused = false;
    if (!Load(records, refused))
        return ERROR_ACCESS_DENIED;
    const int i = IndexOf(records, oldName);
    if (i < 0)
        return ERROR_SUCCESS;
    records[i].strEntry = newName;
    return Save(records);
}

} // namespace ras
