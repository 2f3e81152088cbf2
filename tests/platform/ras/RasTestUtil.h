#pragma once
// Helpers shared by the remote access tests: a fresh service folder per test,
// phonebook set-up, fast timings, and driving the command-line dialer.

#include "TestEnv.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/ServiceSettings.h"
#include "platform/registry/Registry.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTest>

namespace rastest {

// Empties the configuration and runtime folders of the environment and sets
// timings that make every simulated call take milliseconds.
inline void Reset(const TestEnv& env, double timeScale = 0.001)
{
    for (const QString& dir : {env.configDir(), env.runtimeDir()}) {
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    reg::ResetStore();
    ras::SetTimeScaleOverride(timeScale);
    ras::SetHangUpPauseOverride(0);
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
    ras::RasEntry e;
    e.strLocalPhoneNumber = number;
    e.strSimLine = line;
    return e;
}

inline void AddEntry(const QString& name, const QString& line = QString(),
                     const QString& number = QStringLiteral("555 0100"))
{
    QCOMPARE(ras::CreateEntry(name, SimEntry(line, number)), ras::ERROR_SUCCESS);
}

inline QString DialExe()
{
    return QStringLiteral(DIALTOP_DIAL_EXE);
}

// Reads the process's output until it holds text (or the deadline passes).
inline bool WaitForOutput(QProcess& p, const QByteArray& text, QByteArray& seen, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!seen.contains(text)) {
        if (deadline.hasExpired())
            return false;
        if (!p.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))
            && p.state() != QProcess::Running) {
            seen += p.readAllStandardOutput();
            return seen.contains(text);
        }
        seen += p.readAllStandardOutput();
    }
    return true;
}

} // namespace rastest
