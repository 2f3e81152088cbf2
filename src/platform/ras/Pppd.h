#pragma once
// pppd on a line that we have dialled: started with the open line as its
// standard input and output (no device name), "nodetach", its log on a pipe
// we read, the user name on the command line and the password through the
// passwordfd plugin (a pipe written and closed before pppd reads it). The
// options only root may give (noauth, the plugin) come from a root-owned
// options file that "dialtop-dial setup-pppd" installs.

#include "platform/ras/RasTypes.h"

#include <QObject>
#include <QStringList>
#include <functional>

class QSocketNotifier;
class QTimer;

namespace ras {

// Descriptors pppd finds its log pipe and its password pipe on.
constexpr int kPppdLogFd = 3;
constexpr int kPppdPasswordFd = 4;

// Extra options an entry may add. Refuses what would hand pppd a password,
// load code, run programs, name another line or take the link out of our
// hands; *pBad (may be null) gets the word refused.
bool ValidatePppdOptions(const QString& options, QString* pBad);

// The arguments pppd is started with.
QStringList PppdArguments(const QString& peersPath, const QString& userName, const QString& authentication,
                          const QString& extraOptions);

// The service's code for pppd's exit status. bLinkUp: the link had come up.
DWORD PppdExitError(int exitCode, bool bLinkUp);

// What a line of pppd's log says.
struct PppdLogEvent
{
    enum Kind { None, LinkStarted, AuthSucceeded, AuthFailed, LocalAddress, RemoteAddress, DnsAddress, ModemHangUp };
    Kind kind = None;
    QString strValue; // the address for the address lines
};
PppdLogEvent ParsePppdLogLine(const QByteArray& line);

// The options file "dialtop-dial setup-pppd" installs.
QByteArray PeersFileText();
// Writes it (root-owned, mode 644, atomically); false with *pError set.
bool InstallPeersFile(const QString& path, QString* pError);

// One running pppd.
class CPppdLink : public QObject
{
    Q_OBJECT
public:
    ~CPppdLink() override;

    struct Request
    {
        QString strProgram;
        QString strPeersPath;
        QString strUserName;
        QString strPassword;
        QString strAuthentication;
        QString strOptions;
        int nLineFd = -1;
    };
    // Starts pppd; ERROR_SUCCESS or why it could not start (not installed,
    // not set up, not allowed).
    DWORD Start(const Request& request);

    // Each line of pppd's log, then its exit status (once; -1 when it died
    // of a signal).
    std::function<void(const QByteArray& line)> onLogLine;
    std::function<void(int exitCode)> onExit;

    // Stops watching pppd and hands it over (to the hang-up); the caller
    // owns the pid and the pidfd (-1 when there is none) from then on.
    void Release(qint64* pid, int* pidFd);

private:
    void OnLogReadable();
    void CheckExit();

    qint64 m_nPid = 0;
    int m_fdPid = -1;
    int m_fdLog = -1;
    QByteArray m_logBuffer;
    QSocketNotifier* m_pLogNotifier = nullptr;
    QSocketNotifier* m_pPidNotifier = nullptr;
    QTimer* m_pPollTimer = nullptr;
};

} // namespace ras
