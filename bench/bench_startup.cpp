// Time from starting the program to its main window being shown, with a theme
// of 20 tabs of 50 items each, against two yardsticks started the same way
// (bench/empty_window.cpp): an empty Qt main window, and a plain one with a
// menu bar, tool bar, status bar and text. Each iteration is one whole
// process: start, show, end; argument 1 stops the clock when the program
// says its window is shown (a line on its standard output once the main
// window's first paint is done, so all are timed to the same visible state),
// argument 0 when it has ended. Measured headless (offscreen) and, when Xvfb
// is installed, on a real X server through the xcb platform, where window
// creation and icon drawing cost what they cost on a desktop.

#include "theme/ThemeData.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kTabs = 20;
constexpr int kItems = 50;

std::unique_ptr<QTemporaryDir> g_root;
QString g_theme;
std::vector<std::string> g_env;      // offscreen
std::vector<std::string> g_xcbEnv;   // on the X server, when there is one
pid_t g_xvfb = 0;

const char* const kPrograms[] = {"/usr/bin/env", "/bin/sh", "/usr/bin/ls", "/usr/bin/find", "/usr/bin/cmake",
                                 "/usr/bin/python3", "/usr/bin/gdb", "/usr/bin/tar"};
const char* const kFolders[] = {"/tmp", "/usr/share", "/etc", "/usr/lib", "/var/log", "/usr/include"};
const char* const kSites[] = {"https://www.debian.org/", "https://www.kernel.org/", "https://www.qt.io/",
                              "https://www.wikipedia.org/", "https://example.org/docs/%1"};

// A third programs, a third folders, a third web addresses.
bool writeTheme(const QString& path)
{
    CThemeData theme;
    for (int t = 0; t < kTabs; ++t) {
        CThemeTab* tab = theme.InsertTab(t);
        tab->m_strName = QString("Tab %1").arg(t + 1);
        for (int i = 0; i < kItems; ++i) {
            CThemeItem* item = theme.InsertItem(t, i);
            item->m_strName = QString("Item %1.%2").arg(t + 1).arg(i + 1);
            switch (i % 3) {
            case 0:
                item->m_strTarget = kPrograms[(t + i) % 8];
                item->m_strArguments = "--help";
                item->m_strStartIn = "/tmp";
                break;
            case 1:
                item->m_strTarget = kFolders[(t + i) % 6];
                break;
            default:
                item->m_strTarget = QString(kSites[(t + i) % 5]).arg(i);
                break;
            }
            item->m_ptPosition = QPoint(8 + (i % 8) * 75, 8 + (i / 8) * 75);
        }
    }
    theme.m_strPath = path;
    theme.m_bModified = true;
    return theme.Save();
}

// The environment of every started program: headless, every settings and
// data root inside the temporary folder, ending once the window is shown.
void buildEnvironment()
{
    const QStringList replaced{"QT_QPA_PLATFORM", "DIALTOP_EXIT_WHEN_SHOWN", "DIALTOP_CONFIG_DIR", "XDG_CONFIG_HOME",
                               "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"};
    for (char** e = environ; *e; ++e) {
        const QString entry = QString::fromLocal8Bit(*e);
        if (!replaced.contains(entry.section('=', 0, 0)))
            g_env.emplace_back(*e);
    }
    auto add = [](const char* name, const QString& value) {
        g_env.push_back(std::string(name) + "=" + value.toStdString());
    };
    QDir dir(g_root->path());
    for (const char* sub : {"config", "xdgconfig", "data", "runtime", "cache"})
        dir.mkpath(sub);
    QFile::setPermissions(dir.filePath("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner);
    add("QT_QPA_PLATFORM", "offscreen");
    add("DIALTOP_EXIT_WHEN_SHOWN", "1");
    add("DIALTOP_CONFIG_DIR", dir.filePath("config"));
    add("XDG_CONFIG_HOME", dir.filePath("xdgconfig"));
    add("XDG_DATA_HOME", dir.filePath("data"));
    add("XDG_RUNTIME_DIR", dir.filePath("runtime"));
    add("XDG_CACHE_HOME", dir.filePath("cache"));
}

// Starts a private X server on a free display; its display name, or empty
// when there is no Xvfb or it does not come up.
std::string startXvfb()
{
    const char* xvfb = "/usr/bin/Xvfb";
    if (access(xvfb, X_OK) != 0)
        return {};
    for (int n = 90; n < 140; ++n) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        struct stat st;
        if (stat(socket.c_str(), &st) == 0 || stat(lock.c_str(), &st) == 0)
            continue;
        const std::string display = ":" + std::to_string(n);
        std::vector<char*> argv{const_cast<char*>(xvfb), const_cast<char*>(display.c_str()),
                                const_cast<char*>("-screen"), const_cast<char*>("0"),
                                const_cast<char*>("1280x1024x24"), const_cast<char*>("-nolisten"),
                                const_cast<char*>("tcp"), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int rc = posix_spawn(&g_xvfb, xvfb, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            return {};
        for (int i = 0; i < 100; ++i) {
            if (stat(socket.c_str(), &st) == 0)
                return display;
            if (waitpid(g_xvfb, nullptr, WNOHANG) == g_xvfb)
                break; // lost the race for that display
            usleep(50000);
        }
        kill(g_xvfb, SIGTERM);
        waitpid(g_xvfb, nullptr, 0);
        g_xvfb = 0;
    }
    return {};
}

void stopXvfb()
{
    if (g_xvfb > 0) {
        kill(g_xvfb, SIGTERM);
        waitpid(g_xvfb, nullptr, 0);
        g_xvfb = 0;
    }
}

// Starts the program and waits for it to end; its exit status, -1 on failure.
// With a state, the clock stops while the program ends after saying "shown".
int run(const char* program, const char* argument, std::vector<std::string>& env = g_env,
        benchmark::State* untilShown = nullptr)
{
    std::vector<char*> envp;
    for (std::string& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(program)};
    if (argument)
        argv.push_back(const_cast<char*>(argument));
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    // Qt's notes about the headless platform are not part of the measurement.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return -1;
    }
    // Read to the end: the line comes just before the program ends.
    std::string said;
    char buf[256];
    bool paused = false;
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) != 0;) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        said.append(buf, size_t(n));
        if (untilShown && !paused && said.find("shown\n") != std::string::npos) {
            untilShown->PauseTiming();
            paused = true;
        }
    }
    close(out[0]);
    int status = 0;
    const bool ended = waitpid(pid, &status, 0) == pid;
    if (paused)
        untilShown->ResumeTiming();
    if (!ended || said.find("shown\n") == std::string::npos)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void timeStart(benchmark::State& state, const char* program, const char* argument,
               std::vector<std::string>& env = g_env)
{
    for (auto _ : state) {
        if (run(program, argument, env, state.range(0) ? &state : nullptr) != 0) {
            state.SkipWithError("the program did not end normally");
            break;
        }
    }
}

void BM_DialtopStartup(benchmark::State& state)
{
    const QByteArray theme = g_theme.toLocal8Bit();
    timeStart(state, DIALTOP_EXE, theme.constData());
    state.counters["tabs"] = kTabs;
    state.counters["items"] = kTabs * kItems;
}

void BM_EmptyWindowStartup(benchmark::State& state)
{
    timeStart(state, EMPTY_WINDOW_EXE, nullptr);
}

void BM_EmptyWindowStartupXcb(benchmark::State& state)
{
    timeStart(state, EMPTY_WINDOW_EXE, nullptr, g_xcbEnv);
}

// A window with a menu bar, a tool bar, a status bar and text: what any
// window with words and icons pays for fonts, styles and icons.
void BM_BarsWindowStartup(benchmark::State& state)
{
    timeStart(state, EMPTY_WINDOW_EXE, "--bars");
}

void BM_BarsWindowStartupXcb(benchmark::State& state)
{
    timeStart(state, EMPTY_WINDOW_EXE, "--bars", g_xcbEnv);
}

void BM_DialtopStartupXcb(benchmark::State& state)
{
    const QByteArray theme = g_theme.toLocal8Bit();
    timeStart(state, DIALTOP_EXE, theme.constData(), g_xcbEnv);
}

BENCHMARK(BM_EmptyWindowStartup)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_BarsWindowStartup)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_DialtopStartup)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    g_root = std::make_unique<QTemporaryDir>();
    g_theme = g_root->filePath("Startup.Theme");
    if (!writeTheme(g_theme)) {
        std::fprintf(stderr, "cannot write the theme %s\n", qPrintable(g_theme));
        return 1;
    }
    buildEnvironment();

    // One start first: it registers the file type and fills the caches, which
    // later starts find done. It must have opened the theme, or the figures
    // would time a refusal.
    if (run(DIALTOP_EXE, g_theme.toLocal8Bit().constData()) != 0) {
        std::fprintf(stderr, "%s did not start\n", DIALTOP_EXE);
        return 1;
    }
    QFile hive(g_root->filePath("config/HKEY_CURRENT_USER.reg"));
    if (!hive.open(QIODevice::ReadOnly) || !hive.readAll().contains("Startup.Theme")) {
        std::fprintf(stderr, "the theme was not opened\n");
        return 1;
    }

    // The same on a real X server, when one can be started.
    const std::string display = startXvfb();
    if (!display.empty()) {
        for (const std::string& e : g_env)
            if (e.rfind("QT_QPA_PLATFORM=", 0) != 0 && e.rfind("DISPLAY=", 0) != 0 && e.rfind("WAYLAND_DISPLAY=", 0) != 0)
                g_xcbEnv.push_back(e);
        g_xcbEnv.push_back("QT_QPA_PLATFORM=xcb");
        g_xcbEnv.push_back("DISPLAY=" + display);
        if (run(DIALTOP_EXE, g_theme.toLocal8Bit().constData(), g_xcbEnv) == 0) {
            benchmark::RegisterBenchmark("BM_EmptyWindowStartupXcb", BM_EmptyWindowStartupXcb)
                ->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
            benchmark::RegisterBenchmark("BM_BarsWindowStartupXcb", BM_BarsWindowStartupXcb)
                ->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
            benchmark::RegisterBenchmark("BM_DialtopStartupXcb", BM_DialtopStartupXcb)
                ->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
        } else {
            std::fprintf(stderr, "%s did not start on %s; only the headless figures follow\n", DIALTOP_EXE,
                         display.c_str());
        }
    } else {
        std::fprintf(stderr, "no Xvfb: only the headless figures follow\n");
    }

    benchmark::RunSpecifiedBenchmarks();
    stopXvfb();
    return 0;
}
