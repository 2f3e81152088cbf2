#pragma once
// The login script of an entry, for providers that still greet a caller
// with a terminal-style login before PPP starts. It lives in
// ras/scripts/<entry>.chat and is run on the line after CONNECT, before
// pppd. One step per line:
//   # a comment (blank lines are ignored too)
//   timeout SECONDS   how long each later "expect" may wait (30 at first)
//   expect TEXT       wait until TEXT arrives (ignoring case)
//   send TEXT         send TEXT and a carriage return
// In TEXT, $USER and $PASSWORD stand for the entry's user name and
// password; TEXT in double quotes keeps its outer blanks.

#include "platform/ras/RasTypes.h"

#include <QList>

namespace ras {

struct ScriptStep
{
    enum Kind { Expect, Send, Timeout };
    Kind kind = Expect;
    QString strText;
    int nSeconds = 0;
    bool operator==(const ScriptStep&) const = default;
};

constexpr qint64 kMaxScriptBytes = 16 * 1024;
constexpr int kMaxScriptSteps = 100;
constexpr int kDefaultScriptTimeout = 30;

// False for a script that cannot be understood; *pBadLine (may be null)
// gets the first line at fault (1-based).
bool ParseLoginScript(const QByteArray& text, QList<ScriptStep>* steps, int* pBadLine);

// Where an entry's login script lives.
QString LoginScriptPath(const QString& entry);
// True when the entry uses a login script; *pPath (may be null) gets its
// path, whether or not the file exists yet.
bool EntryHasLoginScript(const QString& entry, QString* pPath);
// Creates the script with commented examples unless it exists; false when
// it cannot be written. For the provider sheet, before opening it.
bool CreateLoginScript(const QString& entry);
// Reads and parses an entry's script; ERROR_SCRIPT_SYNTAX when it is
// missing, too large or cannot be understood.
DWORD LoadLoginScript(const QString& entry, QList<ScriptStep>* steps);

} // namespace ras
