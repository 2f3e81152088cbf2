#pragma once
// Helpers shared by the remote access tests.

#include "TestEnv.h"
#include "platform/ras/Credentials.h"
#include "platform/ras/Notices.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/RasService.h"
#include "platform/ras/ServiceSettings.h"
#include "platform/registry/Registry.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTest>

namespace rastest {

// Fresh service folders, and timings that make simulated calls take milliseconds.
inline void Reset(const TestEnv& env, double timeScale = 0.001)
{
    for (const QString& dir : {env.configDir(), env.runtimeDir()}) {
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    reg::ResetStore(), ras::SetTimeScaleOverride(timeScale), ras::SetHangUpPauseOverride(0);
}

// Timings for other processes (the command-line dialer) go through the file.
inline void WriteServiceIni(double timeScale)
{
    ras::MakePrivateFolder(ras::ConfigFolder());
    TestEnv::writeAll(ras::ConfigFolder() + "/service.ini",
                      QByteArray("[Timing]\nTimeScale=") + QByteArray::number(timeScale) + "\nHangUpPause=0\n");
}

inline ras::RasEntry SimEntry(const QString& line, const QString& number = QStringLiteral("555 0100"))
{
    return ras::RasEntry{.strLocalPhoneNumber = number, .strSimLine = line};
}

inline void AddEntry(const QString& name, const QString& line = QString(),
                     const QString& number = QStringLiteral("555 0100"))
{
    QCOMPARE(ras::CreateEntry(name, SimEntry(line, number)), ras::ERROR_SUCCESS);
}

inline QStringList Entries()
{
    QStringList names;
    return ras::EnumEntries(names) == ras::ERROR_SUCCESS ? names : QStringList{"(enumeration failed)"};
}

inline ras::RasDialParams Params(const QString& entry, const QString& user = {}, const QString& password = {})
{
    return ras::RasDialParams{.strEntryName = entry, .strUserName = user, .strPassword = password};
}

// "saved user/password", "unsaved user/password", "error N" or "number left".
inline QString Creds(const QString& entry)
{
    ras::RasDialParams p = Params(entry);
    p.strPhoneNumber = QStringLiteral("left over");
    bool saved = true;
    const ras::DWORD rc = ras::GetEntryDialParams(p, saved);
    if (rc != ras::ERROR_SUCCESS)
        return QStringLiteral("error %1%2").arg(rc).arg(saved ? " saved" : "");
    if (!p.strPhoneNumber.isEmpty())
        return QStringLiteral("number left");
    return QStringLiteral("%1 %2/%3").arg(saved ? "saved" : "unsaved", p.strUserName, p.strPassword);
}

// "connected 0", "disconnected 676", "state 2 error 0" or "invalid handle".
inline QString Status(ras::HRASCONN h)
{
    ras::RasConnStatus st;
    if (const ras::DWORD rc = ras::GetConnectStatus(h, st))
        return rc == ras::ERROR_INVALID_HANDLE ? QStringLiteral("invalid handle") : QStringLiteral("error %1").arg(rc);
    if (st.rasconnstate == ras::RASCS_Connected || st.rasconnstate == ras::RASCS_Disconnected)
        return QStringLiteral("%1 %2").arg(st.rasconnstate == ras::RASCS_Connected ? "connected" : "disconnected").arg(st.dwError);
    return QStringLiteral("state %1 error %2").arg(st.rasconnstate).arg(st.dwError);
}

// Notices oldest first: "up: Connected to X [X] 9600 bps" or
// "offer: Reestablish Connection [X]", "(hidden)" when not shown.
inline QStringList NoticeLines()
{
    QStringList out;
    for (const ras::Notice& n : ras::ListNotices()) {
        const bool up = n.kind == ras::Notice::Connected;
        out << (up ? "up: " : "offer: ") + n.strTitle + " [" + n.strEntryName + "]" + (up ? " " + n.strSpeedText : "")
                   + (n.bVisible ? "" : " (hidden)");
    }
    return out;
}

inline QString DialExe() { return QStringLiteral(DIALTOP_DIAL_EXE); }

// Reads the process's output until it holds text (or the deadline passes).
inline bool WaitForOutput(QProcess& p, const QByteArray& text, QByteArray& seen, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!seen.contains(text)) {
        if (deadline.hasExpired())
            return false;
        const bool ended = !p.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))
                           && p.state() != QProcess::Running;
        seen += p.readAllStandardOutput();
        if (ended)
            return seen.contains(text);
    }
    return true;
}

} // namespace rastest
