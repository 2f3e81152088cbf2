// dialtop-dial: the remote access service's command-line client.
//   dialtop-dial list
//   dialtop-dial dial ENTRY [USER [PASSWORD | -]]
//   dialtop-dial status
//   dialtop-dial hangup [ENTRY]
// A dialled connection stays up while this program runs; it ends with
// "hangup" from anywhere, an interrupt, or a dropped line.

#include "platform/ras/RasService.h"

#include <QCoreApplication>
#include <QDateTime>
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

int ExitCode(DWORD code)
{
    return code == 0 ? 0 : int(std::clamp<DWORD>(code, 1, 255));
}

int Fail(DWORD code)
{
    QTextStream err(stderr);
    err << "dialtop-dial: " << GetErrorString(code) << " (error " << code << ")\n";
    return ExitCode(code);
}

void Out(const QString& line)
{
    QTextStream out(stdout);
    out << line << '\n';
    out.flush();
}

int Usage()
{
    QTextStream err(stderr);
    err << "usage: dialtop-dial list\n"
           "       dialtop-dial dial ENTRY [USER [PASSWORD | -]]\n"
           "       dialtop-dial status\n"
           "       dialtop-dial hangup [ENTRY]\n"
           "A PASSWORD of - is read from standard input; without one the saved password is used.\n";
    return 2;
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
    int done = 0;
    for (const RasConn& c : conns) {
        if (!entry.isEmpty() && c.strEntryName.compare(entry, Qt::CaseInsensitive) != 0)
            continue;
        if (DWORD rc = HangUp(c.hrasconn))
            return Fail(rc);
        Out(QStringLiteral("Hung up %1.").arg(c.strEntryName));
        ++done;
    }
    return done ? 0 : Fail(ERROR_NO_ACTIVE_CONNECTION);
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
                exitCode = Fail(error);
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
