#pragma once
// Where the service keeps its files, and its timings. The timings live in
// "service.ini" of the service's configuration folder ([Timing] TimeScale,
// HangUpPause); a process may override them (tests, demos) without touching
// the file.

#include <QString>
#include <optional>

namespace ras {

// <configuration root>/ras: phonebook, credentials, service settings.
QString ConfigFolder();
// <runtime folder>/dialtop-ras: connection records, notices, call counters.
// Empty (and so are the two below) when the user has no usable runtime folder.
QString RuntimeFolder();
QString ConnectionsFolder();
QString NoticesFolder();

// Creates a folder (and its parents) private to the user; false on failure.
bool MakePrivateFolder(const QString& path);

// Every delay of the simulated modem is multiplied by this (1.0 = realistic).
double TimeScale();
// Pause after hanging up, in milliseconds (3000 by default).
int HangUpPauseMs();

// Serial modems, from [Serial] of service.ini: the pppd program
// ("Pppd", /usr/sbin/pppd), the root-owned options file it is called with
// ("Peers", /etc/ppp/peers/dialtop) and the folder of UUCP lock files
// ("LockFolder", /var/lock).
QString PppdPath();
QString PppdPeersPath();
QString SerialLockFolder();
inline const QString kDefaultPeersPath = QStringLiteral("/etc/ppp/peers/dialtop");

// In-process overrides; std::nullopt goes back to the settings file.
void SetTimeScaleOverride(std::optional<double> scale);
void SetHangUpPauseOverride(std::optional<int> ms);

} // namespace ras
