#include "platform/ras/ConnectionRecords.h"

#include "platform/ras/Notices.h"
#include "platform/ras/ServiceSettings.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <csignal>

namespace ras {

namespace {
constexpr qint64 kMaxRecordBytes = 8192;

// At most n UTF-16 units of a field, never half of a surrogate pair: a cut
// pair would be written back as a replacement character.
QString LeftWhole(const QString& text, qsizetype n)
{
    if (text.size() <= n)
        return text;
    if (n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}
} // namespace

QString RecordPath(HRASCONN h)
{
    return ConnectionsFolder() + QStringLiteral("/%1.conn").arg(h, 16, 16, QLatin1Char('0'));
}

QString HangUpRequestPath(HRASCONN h)
{
    return ConnectionsFolder() + QStringLiteral("/%1.hangup").arg(h, 16, 16, QLatin1Char('0'));
}

qint64 ProcessStartTicks(qint64 pid)
{
    if (pid <= 0)
        return 0;
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.read(4096);
    // The command name may hold blanks and parentheses: fields start after
    // the last ')'. Start time is field 22, the 20th after the name.
    const int close = stat.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 20)
        return 0;
    // A zombie has exited; it only waits for its parent.
    if (fields[0] == "Z" || fields[0] == "X")
        return 0;
    return fields[19].toLongLong();
}

bool IsHolderAlive(qint64 pid, qint64 startTicks)
{
    const qint64 now = ProcessStartTicks(pid);
    return now != 0 && now == startTicks;
}

QByteArray SerialiseRecord(const RasConn& c, qint64 holderStartTicks)
{
    QByteArray out;
    out += "Handle=" + QByteArray::number(c.hrasconn, 16) + '\n';
    out += "Entry=" + c.strEntryName.toUtf8() + '\n';
    out += "Device=" + c.strDeviceName.toUtf8() + '\n';
    out += "State=" + QByteArray::number(c.rasconnstate) + '\n';
    out += "Error=" + QByteArray::number(c.dwError) + '\n';
    out += "Speed=" + QByteArray::number(c.dwSpeed) + '\n';
    out += "Address=" + c.strIpAddress.toUtf8() + '\n';
    out += "Started=" + QByteArray::number(c.nStartedMs) + '\n';
    out += "Connected=" + QByteArray::number(c.nConnectedMs) + '\n';
    out += "Holder=" + QByteArray::number(c.nHolderPid) + '\n';
    out += "HolderStart=" + QByteArray::number(holderStartTicks) + '\n';
    return out;
}

bool ParseRecord(const QByteArray& bytes, RasConn& c, qint64& holderStartTicks)
{
    if (bytes.size() > kMaxRecordBytes)
        return false;
    c = RasConn{};
    holderStartTicks = 0;
    bool haveHandle = false, haveHolder = false, haveEntry = false, haveState = false;
    for (const QByteArray& line : bytes.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        bool ok = true;
        if (key == "Handle") {
            c.hrasconn = value.toULongLong(&ok, 16);
            haveHandle = ok && c.hrasconn != 0;
        } else if (key == "Entry") {
            c.strEntryName = LeftWhole(QString::fromUtf8(value), RAS_MaxEntryName);
            haveEntry = !c.strEntryName.isEmpty();
        } else if (key == "Device") {
            c.strDeviceName = LeftWhole(QString::fromUtf8(value), RAS_MaxDeviceName);
        } else if (key == "State") {
            c.rasconnstate = value.toUInt(&ok);
            haveState = ok;
        } else if (key == "Error") {
            c.dwError = value.toUInt();
        } else if (key == "Speed") {
            c.dwSpeed = value.toUInt();
        } else if (key == "Address") {
            c.strIpAddress = LeftWhole(QString::fromUtf8(value), 64);
        } else if (key == "Started") {
            c.nStartedMs = value.toLongLong();
        } else if (key == "Connected") {
            c.nConnectedMs = value.toLongLong();
        } else if (key == "Holder") {
            c.nHolderPid = value.toLongLong(&ok);
            haveHolder = ok && c.nHolderPid > 0;
        } else if (key == "HolderStart") {
            holderStartTicks = value.toLongLong();
        }
    }
    return haveHandle && haveHolder && haveEntry && haveState;
}

bool WriteRecord(const RasConn& conn, qint64 holderStartTicks)
{
    if (!MakePrivateFolder(ConnectionsFolder()))
        return false;
    QSaveFile f(RecordPath(conn.hrasconn));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(SerialiseRecord(conn, holderStartTicks));
    return f.commit();
}

namespace {

std::optional<RasConn> ReadRecordFile(const QString& path, HRASCONN expected)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    RasConn c;
    qint64 start = 0;
    // A damaged record is skipped but left alone: it may be a newer
    // program's, and it costs nothing.
    if (!ParseRecord(f.read(kMaxRecordBytes + 1), c, start) || (expected && c.hrasconn != expected))
        return std::nullopt;
    if (!IsHolderAlive(c.nHolderPid, start)) {
        QFile::remove(path);
        QFile::remove(HangUpRequestPath(c.hrasconn));
        RemoveNoticesFor(c.hrasconn);
        return std::nullopt;
    }
    return c;
}

} // namespace

std::optional<RasConn> ReadRecord(HRASCONN h)
{
    if (!h)
        return std::nullopt;
    return ReadRecordFile(RecordPath(h), h);
}

QList<RasConn> ReadAllRecords()
{
    QList<RasConn> out;
    const QDir dir(ConnectionsFolder());
    const QStringList files = dir.entryList({QStringLiteral("*.conn")}, QDir::Files);
    for (const QString& name : files)
        if (auto c = ReadRecordFile(dir.filePath(name), 0))
            out.append(*c);
    std::stable_sort(out.begin(), out.end(),
                     [](const RasConn& a, const RasConn& b) { return a.nStartedMs < b.nStartedMs; });
    return out;
}

void RemoveRecord(HRASCONN h)
{
    QFile::remove(RecordPath(h));
    QFile::remove(HangUpRequestPath(h));
}

} // namespace ras
