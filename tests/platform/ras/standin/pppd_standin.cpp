// A stand-in for pppd, for tests: takes the options the dialer gives pppd,
// reads the password from its descriptor, writes pppd-style lines to the
// log descriptor and ends with the exit status it is told to.
//   DIALTOP_STANDIN          up | authfail | exit:N | upexit:N  ("up" when unset)
//   DIALTOP_STANDIN_REPORT   file that gets pid, arguments, password, line
// "up" comes up and then waits for a signal (exit 5) or the line to hang
// up (exit 16), as pppd does.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_signal = 0;
int g_log = -1;

void OnSignal(int sig) { g_signal = sig; }

void Log(const std::string& line)
{
    const std::string text = line + "\n";
    if (g_log >= 0)
        [[maybe_unused]] ssize_t n = write(g_log, text.data(), text.size());
}

} // namespace

int main(int argc, char** argv)
{
    bool nodetach = false, peers = false;
    int passwordFd = -1;
    std::string args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i], next = i + 1 < argc ? argv[i + 1] : "";
        args += (i > 1 ? " " : "") + a;
        nodetach = nodetach || a == "nodetach";
        peers = peers || ((a == "call" || a == "file") && !next.empty());
        if (a == "logfd" && !next.empty())
            g_log = atoi(next.c_str());
        if (a == "passwordfd" && !next.empty())
            passwordFd = atoi(next.c_str());
    }
    std::string password;
    if (passwordFd >= 0) {
        // Read to the end: a writer that never closes its pipe hangs here.
        char buf[256];
        ssize_t n;
        while ((n = read(passwordFd, buf, sizeof buf)) > 0)
            password.append(buf, size_t(n));
    }
    const char* tty = ttyname(0);
    if (const char* report = getenv("DIALTOP_STANDIN_REPORT")) {
        if (FILE* f = fopen(report, "w")) {
            fprintf(f, "pid=%d\nargs=%s\npassword=%s\nline=%s\n", int(getpid()), args.c_str(), password.c_str(),
                    tty ? tty : "");
            fclose(f);
        }
    }
    if (!nodetach || !peers || g_log < 0)
        return 2;
    const char* mode = getenv("DIALTOP_STANDIN");
    const std::string m = mode ? mode : "up";
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);

    Log(std::string("Connect: ppp0 <--> ") + (tty ? tty : "?"));
    if (m.rfind("exit:", 0) == 0)
        return atoi(m.c_str() + 5);
    if (m == "authfail")
        return Log("PAP authentication failed"), 19;
    Log("PAP authentication succeeded");
    Log("local  IP address 10.64.0.2");
    Log("remote IP address 10.64.0.1");
    Log("primary   DNS address 192.0.2.53");
    if (m.rfind("upexit:", 0) == 0)
        return usleep(50000), atoi(m.c_str() + 7);
    for (;;) {
        if (g_signal)
            return Log("Terminating on signal " + std::to_string(int(g_signal))), 5;
        pollfd p {0, POLLIN, 0};
        const int r = poll(&p, 1, 20);
        if (r < 0 && errno == EINTR)
            continue;
        if (r > 0) {
            char buf[256];
            const ssize_t n = read(0, buf, sizeof buf);
            if (n <= 0 && !(n < 0 && (errno == EINTR || errno == EAGAIN)))
                return Log("Modem hangup"), 16;
        }
    }
}
