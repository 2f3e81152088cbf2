// Times one read of a hostile settings file and reports the peak memory.
//   settings_readers <case> <n>
// cases: hive-depth (one key path of n components), hive-chains (n key
// paths of 500 components each, with nothing in common), hive-values (n values in
// one key), hive-hex (one binary value over n continuation lines),
// pb-sections (n phonebook entries, then one look-up), pb-numbers (one entry
// with n per-number lines, then its properties), ini-lines (an
// initialisation file of n one-letter lines, then one look-up).

#include "platform/profile/Profile.h"
#include "platform/ras/Phonebook.h"
#include "platform/ras/ServiceSettings.h"
#include "platform/registry/Registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray hive(const QString& c, int n)
{
    QByteArray t = "REGEDIT4\n\n";
    if (c == "hive-depth") {
        t += "[HKEY_CURRENT_USER";
        for (int i = 0; i < n; ++i)
            t += "\\k";
        t += "]\n\"v\"=\"x\"\n";
    } else if (c == "hive-chains") {
        for (int i = 0; i < n; ++i) {
            t += "[HKEY_CURRENT_USER\\c" + QByteArray::number(i);
            for (int d = 1; d < 500; ++d)
                t += "\\k";
            t += "]\n";
        }
    } else if (c == "hive-values") {
        t += "[HKEY_CURRENT_USER\\Many]\n";
        for (int i = 0; i < n; ++i)
            t += "\"value" + QByteArray::number(i) + "\"=dword:00000001\n";
    } else {
        t += "[HKEY_CURRENT_USER\\Blob]\n\"b\"=hex:00";
        for (int i = 0; i < n; ++i)
            t += ",\\\n  01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19";
        t += "\n";
    }
    return t;
}

QByteArray phonebook(const QString& c, int n)
{
    QByteArray t;
    if (c == "pb-sections") {
        for (int i = 0; i < n; ++i)
            t += "[e" + QByteArray::number(i) + "]\n";
    } else {
        t += "[Big]\nPhoneNumber=1\n";
        for (int i = 0; i < n; ++i)
            t += "SimLine@" + QByteArray::number(i) + "=b\n";
    }
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: settings_readers <case> <n>\n");
        return 2;
    }
    const QString c = QString::fromLocal8Bit(argv[1]);
    const int n = QByteArray(argv[2]).toInt();
    QTemporaryDir dir;
    qputenv("DIALTOP_CONFIG_DIR", QFile::encodeName(dir.path()));

    QByteArray bytes;
    QString file;
    if (c.startsWith("hive-")) {
        bytes = hive(c, n);
        file = reg::HiveFilePath(reg::HKEY_CURRENT_USER);
    } else if (c == "ini-lines") {
        bytes = "[S]\n" + QByteArray("a\n").repeated(n);
        file = dir.filePath("lines.tms");
    } else {
        bytes = phonebook(c, n);
        ras::MakePrivateFolder(ras::ConfigFolder());
        file = ras::PhonebookPath();
    }
    if (!writeFile(file, bytes))
        return 1;

    QElapsedTimer t;
    t.start();
    QString result;
    if (c.startsWith("hive-")) {
        reg::RegKey key;
        result = key.Open(reg::HKEY_CURRENT_USER, "Many") == reg::ERROR_SUCCESS
                     ? QString("%1 values").arg(key.ValueNames().size())
                     : QStringLiteral("opened");
    } else if (c == "ini-lines") {
        QString v;
        profile::GetPrivateProfileString("S", "b", "none", v, file);
        result = v;
    } else if (c == "pb-sections") {
        QStringList names;
        ras::EnumEntries(names);
        result = QString("%1 entries, last found: %2").arg(names.size()).arg(ras::FindEntry(names.value(names.size() - 1)));
    } else {
        ras::RasEntry e;
        const ras::DWORD rc = ras::GetEntryProperties("Big", &e, nullptr);
        result = QString("rc %1, %2 numbers").arg(rc).arg(e.mapSimLineByNumber.size());
    }
    const qint64 ms = t.elapsed();
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("%s n=%d file=%lld bytes: %lld ms, peak %ld MB (%s)\n", argv[1], n, (long long)bytes.size(), ms,
                ru.ru_maxrss / 1024, qPrintable(result));
    return 0;
}
