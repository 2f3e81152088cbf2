#pragma once
// Shared by the fuzz targets: a check that ends the run loudly (so the
// fuzzer keeps the input), and a private settings folder for the readers
// that only read files.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                   \
    do {                                                                                   \
        if (!(cond)) {                                                                     \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)

namespace fuzz {

// One folder for the whole run, set as the settings root before any reader
// looks for it.
inline const QTemporaryDir& Root()
{
    static QTemporaryDir dir;
    [[maybe_unused]] static const bool set = qputenv("DIALTOP_CONFIG_DIR", dir.path().toUtf8())
        && qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8())
        && qputenv("XDG_RUNTIME_DIR", dir.filePath(QStringLiteral("run")).toUtf8());
    return dir;
}

inline void WriteFile(const QString& path, const uint8_t* data, size_t size)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
}

} // namespace fuzz
