// dialtop-dial: the remote access service's command-line client.
//   dialtop-dial list
//   dialtop-dial dial ENTRY [USER [PASSWORD | -]]
//   dialtop-dial status
//   dialtop-dial hangup [ENTRY]
//   dialtop-dial setup-pppd            (as root)
// A dialled connection stays up while this program runs; it ends with
// "hangup" from anywhere, an interrupt, or a dropped line. The exit status
// is the service's error code minus 600 (see Usage), so scripts can tell a
// busy line from a refused password.

#include "platform/ras/Pppd.h"
#include "platform/ras/RasService.h"
#include "platform/ras/ServiceSettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

using namespace ras;

namespace {

int s_signalFds[2] = {-1, -1};

void OnSignal(int)
{
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(s_signalFds[1], &c, 1);
}

// 0 for success, 2 for a usage error, 1 for a failure without a code of its
// own; the service's codes 603 to 855 give their last digits (676 busy: 76).
// 601 and 602 would collide with 1 and 2 and give 1.
int ExitCode(DWORD code)
{
    if (code == 0)
        return 0;
    if (code >= 603 && code <= 855)
        return int(code - 600);
    return 1;
}

void Warn(const QString& text)
{
    QTextStream err(stderr);
    err << "dialtop-dial: " << text << '\n';
}

int Fail(DWORD code, const QString& what = QString())
{
    Warn((what.isEmpty() ? GetErrorString(code) : what) + QStringLiteral(" (error %1)").arg(code));
    return ExitCode(code);
}

void Out(const QString& line)
{
    QTextStream out(stdout);
    out << line << '\n';
    out.flush();
}

const char kUsage[] =
    "usage: dialtop-dial list\n"
    "       dialtop-dial dial ENTRY [USER [PASSWORD | -]]\n"
    "       dialtop-dial status\n"
    "       dialtop-dial hangup [ENTRY]\n"
    "       dialtop-dial setup-pppd      (as root, once, for real modems)\n"
    "A PASSWORD of - is read from standard input; without one the saved password is used.\n";

const char kExitTable[] =
    "\nExit status (the service's error code minus 600 for its codes 603 to 855):\n"
    "    0  success\n"
    "    1  a failure without a code of its own below; also the modem in use (602)\n"
    "    2  usage error\n"
    "    3  a value is too long (603)\n"
    "   19  the connection was lost (619)\n"
    "   21  the phonebook cannot be opened (621)\n"
    "   23  the phonebook has no such entry (623)\n"
    "   31  ended by the user (631)\n"
    "   33  the modem is not available (633)\n"
    "   51  the modem answered ERROR (651)\n"
    "   68  no active connection to hang up (668)\n"
    "   76  the line is busy (676)\n"
    "   77  a voice answered (677)\n"
    "   78  no answer (678)\n"
    "   79  no carrier (679)\n"
    "   80  no dial tone (680)\n"
    "   91  user name or password refused (691)\n"
    "   92  the modem does not respond (692)\n"
    "  156  the entry is already being dialled or is up (756)\n"
    "  197  the modem was not found (797)\n"
    "  240  the modem delays this number (840)\n"
    "  241  the modem blacklisted this number (841)\n"
    "  242  pppd is not installed (842)\n"
    "  243  pppd is not set up: run setup-pppd (843)\n"
    "  244  not allowed to run pppd: join the dip group (844)\n"
    "  248  not allowed to use the modem: join dialout (848)\n";

int Usage()
{
    QTextStream err(stderr);
    err << kUsage << "Try \"dialtop-dial --help\" for the exit status.\n";
    return 2;
}

int Help()
{
    QTextStream out(stdout);
    out << kUsage << kExitTable;
    return 0;
}

int SetupPppd()
{
    if (::geteuid() != 0) {
        Warn(QStringLiteral("setup-pppd changes /etc/ppp and must be run as root: sudo dialtop-dial setup-pppd"));
        return 1;
    }
    if (!QFileInfo::exists(PppdPath()))
        return Fail(ERROR_PPPD_NOT_INSTALLED);
    QString why;
    if (!InstallPeersFile(kDefaultPeersPath, &why)) {
        Warn(why);
        return 1;
    }
    const QString user = qEnvironmentVariable("SUDO_USER", QStringLiteral("YOUR_NAME"));
    Out(QStringLiteral("Installed %1.\n"
                       "Every user who dials with Dialtop must be in the dialout group (to use the modem)\n"
                       "and in the dip group (to run pppd). As root:\n"
                       "    adduser %2 dialout\n"
                       "    adduser %2 dip\n"
                       "then log out and in again.")
            .arg(kDefaultPeersPath, user));
    return 0;
}

QString ReadPassword()
{
    // Not echoed when typed at a terminal.
    termios old {};
    const bool tty = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (tty) {
        termios quiet = old;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
        std::fputs("Password: ", stderr);
    }
    QTextStream in(stdin);
    const QString line = in.readLine(RAS_MaxPassword + 1);
    if (tty) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &old);
        std::fputs("\n", stderr);
    }
    return line;
}

QString StateText(unsigned state)
{
    switch (state) {
    case RASCS_OpenPort: return QStringLiteral("Opening the port...");
    case RASCS_PortOpened: return QStringLiteral("Port opened.");
    case RASCS_ConnectDevice: return QStringLiteral("Dialing...");
    case RASCS_DeviceConnected: return QStringLiteral("Modem connected.");
    case RASCS_AllDevicesConnected: return QStringLiteral("All devices connected.");
    case RASCS_Authenticate: return QStringLiteral("Verifying user name and password...");
    case RASCS_AuthNotify: return QStringLiteral("Authentication reply received.");
    case RASCS_Authenticated: return QStringLiteral("Authenticated.");
    default: return QStringLiteral("State %1.").arg(state);
    }
}

QString Elapsed(qint64 sinceMs)
{
    const qint64 secs = qMax<qint64>(0, (QDateTime::currentMSecsSinceEpoch() - sinceMs) / 1000);
    return QStringLiteral("%1:%2:%3")
        .arg(secs / 3600)
        .arg((secs / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(secs % 60, 2, 10, QLatin1Char('0'));
}

int List()
{
    QStringList names;
    if (DWORD rc = EnumEntries(names))
        return Fail(rc);
    for (const QString& n : names)
        Out(n);
    return 0;
}

int Status()
{
    QList<RasConn> conns;
    if (DWORD rc = EnumConnections(conns))
        return Fail(rc);
    if (conns.isEmpty())
        Out(QStringLiteral("No active connections."));
    for (const RasConn& c : conns) {
        if (c.rasconnstate == RASCS_Connected)
            Out(QStringLiteral("%1\tconnected\t%2 bps\t%3\t%4\tprocess %5")
                    .arg(c.strEntryName)
                    .arg(c.dwSpeed)
                    .arg(c.strIpAddress, Elapsed(c.nConnectedMs))
                    .arg(c.nHolderPid));
        else
            Out(QStringLiteral("%1\tdialing\t%2\tprocess %3").arg(c.strEntryName, StateText(c.rasconnstate)).arg(c.nHolderPid));
    }
    return 0;
}

int HangUpCommand(const QString& entry)
{
    QList<RasConn> conns;
    if (DWORD rc = EnumConnections(conns))
        return Fail(rc);
    // Every line is tried: one holder that does not answer must not keep
    // the others up.
    int done = 0;
    DWORD firstError = 0;
    for (const RasConn& c : conns) {
        if (!entry.isEmpty() && c.strEntryName.compare(entry, Qt::CaseInsensitive) != 0)
            continue;
        ++done;
        if (DWORD rc = HangUp(c.hrasconn)) {
            Fail(rc, QStringLiteral("%1: %2").arg(c.strEntryName, GetErrorString(rc)));
            if (!firstError)
                firstError = rc;
            continue;
        }
        Out(QStringLiteral("Hung up %1.").arg(c.strEntryName));
    }
    if (!done)
        return Fail(ERROR_NO_ACTIVE_CONNECTION);
    return ExitCode(firstError);
}

int DialCommand(QCoreApplication& app, const QStringList& args)
{
    RasDialParams params;
    params.strEntryName = args.value(0);
    bool saved = false;
    if (DWORD rc = GetEntryDialParams(params, saved))
        return Fail(rc);
    if (args.size() >= 2) {
        params.strUserName = args[1];
        if (!saved)
            params.strPassword.clear();
    }
    if (args.size() >= 3)
        params.strPassword = args[2] == QLatin1String("-") ? ReadPassword() : args[2];
    // Say which value is too long; the service only knows that one is.
    if (params.strUserName.size() > RAS_MaxUserName)
        return Fail(ERROR_BUFFER_TOO_SMALL,
                    QStringLiteral("The user name is too long: at most %1 characters.").arg(RAS_MaxUserName));
    if (params.strPassword.size() > RAS_MaxPassword)
        return Fail(ERROR_BUFFER_TOO_SMALL,
                    QStringLiteral("The password is too long: at most %1 characters.").arg(RAS_MaxPassword));

    HRASCONN h = 0;
    bool connected = false;
    int exitCode = 0;
    const DWORD rc = Dial(
        params,
        [&](unsigned state, DWORD error) {
            if (state == RASCS_Connected) {
                connected = true;
                RasConn c;
                GetConnection(h, c);
                Out(QStringLiteral("Connected to %1 at %2 bps, IP address %3.")
                        .arg(c.strEntryName)
                        .arg(c.dwSpeed)
                        .arg(c.strIpAddress));
                return;
            }
            if (state != RASCS_Disconnected) {
                Out(StateText(state));
                return;
            }
            if (connected && error == ERROR_USER_DISCONNECTION) {
                Out(QStringLiteral("Hung up by another program."));
                exitCode = 0;
            } else {
                // The modem's own words, when it gave any.
                const QString said = GetDeviceMessage(h);
                exitCode = Fail(error, said.isEmpty() ? QString()
                                                      : QStringLiteral("%1 The modem said: %2")
                                                            .arg(GetErrorString(error), said));
            }
            HangUp(h);
            app.exit(exitCode);
        },
        &h);
    if (rc)
        return Fail(rc);

    // Interrupts hang up cleanly, so no record outlives the line.
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_signalFds);
    QSocketNotifier notifier(s_signalFds[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char c;
        [[maybe_unused]] ssize_t n = ::read(s_signalFds[0], &c, 1);
        HangUp(h);
        if (connected) {
            Out(QStringLiteral("Hung up."));
            app.exit(0);
        } else {
            app.exit(Fail(ERROR_USER_DISCONNECTION));
        }
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dialtop-dial"));
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return Usage();
    const QString command = args[0];
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help"))
        return Help();
    if (command == QLatin1String("setup-pppd") && args.size() == 1)
        return SetupPppd();
    if (!ServiceAvailable())
        return Fail(E_NOINTERFACE);
    if (command == QLatin1String("list") && args.size() == 1)
        return List();
    if (command == QLatin1String("status") && args.size() == 1)
        return Status();
    if (command == QLatin1String("hangup") && args.size() <= 2)
        return HangUpCommand(args.value(1));
    if (command == QLatin1String("dial") && args.size() >= 2 && args.size() <= 4)
        return DialCommand(app, args.mid(1));
    return Usage();
}
