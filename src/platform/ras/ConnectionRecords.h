#pragma once
// Every live connection has a small record in the user's runtime folder, so
// that all processes of the user see it: another program lists it, attaches
// to it and hangs it up. The record names its holder (the process whose
// backend keeps the line) by pid and process start time; a record whose
// holder has gone is removed on sight, never reported.
//
// One file per connection, "<handle in hex>.conn", of "key=value" lines,
// replaced atomically on every change. A hang-up wanted by another process is
// asked for with a "<handle>.hangup" file beside it, which the holder watches.

#include "platform/ras/RasTypes.h"

#include <QList>
#include <optional>

namespace ras {

QString RecordPath(HRASCONN h);
QString HangUpRequestPath(HRASCONN h);

// Start time of a process (clock ticks since boot), 0 when it does not exist.
qint64 ProcessStartTicks(qint64 pid);
bool IsHolderAlive(qint64 pid, qint64 startTicks);

bool WriteRecord(const RasConn& conn, qint64 holderStartTicks);
// The record of a connection whose holder lives; a dead holder's record (and
// its notices) is removed and nullopt returned, as for a missing or damaged one.
std::optional<RasConn> ReadRecord(HRASCONN h);
// All records with a living holder, oldest call first.
QList<RasConn> ReadAllRecords();
void RemoveRecord(HRASCONN h);

// Parsing and writing, for tests and the tools.
QByteArray SerialiseRecord(const RasConn& conn, qint64 holderStartTicks);
bool ParseRecord(const QByteArray& bytes, RasConn& conn, qint64& holderStartTicks);

} // namespace ras
