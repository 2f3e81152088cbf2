// Loading and saving a large theme, measured against reading the same file's
// bytes into memory: the file code should cost little beyond the I/O itself.

#include "theme/ThemeData.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kTabs = 100;
constexpr int kItems = 100;

QString g_path;
qint64 g_size = 0;

const char* const kPrograms[] = {"firefox", "thunderbird", "gnome-terminal", "gedit", "nautilus",
                                 "libreoffice", "gimp", "vlc", "evince", "gnome-calculator"};

void fillTheme(CThemeData& theme)
{
    for (int t = 0; t < kTabs; ++t) {
        CThemeTab* tab = theme.InsertTab(t);
        tab->m_strName = QString("Projects %1").arg(t);
        tab->m_strBackground = QString("/home/user/.local/share/dialtop/Backgrounds/landscape-%1.bmp").arg(t % 7);
        for (int i = 0; i < kItems; ++i) {
            CThemeItem* item = theme.InsertItem(t, i);
            const char* program = kPrograms[(t + i) % 10];
            item->m_strName = QString("%1 %2").arg(program).arg(i);
            if (i % 10 == 0)
                item->m_strName += QString::fromUtf8(" – résumé");
            item->m_strArguments = QString("--profile work-%1 --new-window").arg(i % 4);
            item->m_strTarget = QString("/usr/bin/%1").arg(program);
            item->m_strStartIn = QString("/home/user/Documents/Projects/%1/src").arg(t);
            item->m_strIconFile = QString("/usr/share/icons/hicolor/48x48/apps/%1.png").arg(program);
            item->m_strDescription = QString("Starts %1 in the folder of project %2, with the work profile.")
                                         .arg(program)
                                         .arg(t);
            item->m_nShowCmd = 1 + i % 3;
            item->m_ptPosition = QPoint(16 + 72 * (i % 10), 16 + 80 * (i / 10));
            item->m_bDialFirst = i % 5 == 0;
        }
    }
}

void BM_Load(benchmark::State& state)
{
    for (auto _ : state) {
        auto theme = std::make_unique<CThemeData>();
        if (!theme->Load(g_path)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(theme->m_tabs.data());
        // Freeing the theme is not part of loading it.
        state.PauseTiming();
        theme.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * g_size);
}

void BM_Save(benchmark::State& state)
{
    CThemeData theme;
    if (!theme.Load(g_path)) {
        state.SkipWithError("load failed");
        return;
    }
    for (auto _ : state) {
        theme.m_bModified = true;
        if (!theme.Save()) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * g_size);
}

// The decoding alone, from bytes already in memory.
void BM_ParseInMemory(benchmark::State& state)
{
    QFile f(g_path);
    if (!f.open(QIODevice::ReadOnly)) {
        state.SkipWithError("open failed");
        return;
    }
    const QByteArray bytes = f.readAll();
    for (auto _ : state) {
        auto tabs = std::make_unique<std::vector<std::unique_ptr<CThemeTab>>>();
        if (CThemeData::ParseBytes(bytes, *tabs) != CThemeData::ParseResult::Ok) {
            state.SkipWithError("parse failed");
            break;
        }
        benchmark::DoNotOptimize(tabs->data());
        state.PauseTiming();
        tabs.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * g_size);
}

// The encoding alone, into memory.
void BM_EncodeInMemory(benchmark::State& state)
{
    CThemeData theme;
    if (!theme.Load(g_path)) {
        state.SkipWithError("load failed");
        return;
    }
    for (auto _ : state) {
        QByteArray out;
        if (!theme.ToBytes(out)) {
            state.SkipWithError("encode failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * g_size);
}

void BM_ReadBytes(benchmark::State& state)
{
    for (auto _ : state) {
        QFile f(g_path);
        if (!f.open(QIODevice::ReadOnly)) {
            state.SkipWithError("open failed");
            break;
        }
        QByteArray bytes = f.readAll();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * g_size);
}

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeInMemory)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Never touch the user's settings or data.
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    for (const char* var : {"DIALTOP_CONFIG_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        qputenv(var, dir.filePath(var).toUtf8());

    {
        CThemeData theme;
        fillTheme(theme);
        theme.m_strPath = dir.filePath("Themes/Large.Theme");
        if (!theme.Save()) {
            std::fprintf(stderr, "bench_theme_io: cannot write %s\n", qPrintable(theme.m_strPath));
            return 1;
        }
        g_path = theme.m_strPath;
        g_size = QFile(g_path).size();
    }
    std::printf("theme of %d tabs x %d items: %lld bytes\n", kTabs, kItems, static_cast<long long>(g_size));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
