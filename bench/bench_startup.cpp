// Time from starting the program to its main window being shown, with a theme
// of 20 tabs of 50 items each, against an empty Qt main window started the
// same way. Each iteration is one whole process: start, show, end.

#include "theme/ThemeData.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
std::vector<std::string> g_env;

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

// Starts the program and waits for it to end; its exit status, -1 on failure.
int run(const char* program, const char* argument)
{
    std::vector<char*> envp;
    for (std::string& s : g_env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(program)};
    if (argument)
        argv.push_back(const_cast<char*>(argument));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Qt's notes about the headless platform are not part of the measurement.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void timeStart(benchmark::State& state, const char* program, const char* argument)
{
    for (auto _ : state) {
        if (run(program, argument) != 0) {
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

BENCHMARK(BM_EmptyWindowStartup)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_DialtopStartup)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

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

    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
