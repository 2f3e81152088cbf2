#include "TestEnv.h"

#include <QDir>
#include <QFile>

TestEnv::TestEnv()
{
    QDir d(m_dir.path());
    for (const char* sub : {"config", "data", "runtime", "xdgconfig"})
        d.mkpath(sub);
    QFile::setPermissions(d.filePath("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("DIALTOP_CONFIG_DIR", configDir().toUtf8());
    qputenv("XDG_CONFIG_HOME", d.filePath("xdgconfig").toUtf8());
    qputenv("XDG_DATA_HOME", dataDir().toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtimeDir().toUtf8());
}

TestEnv::~TestEnv() { QDir::setCurrent(QDir::tempPath()); }


QByteArray TestEnv::readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool TestEnv::writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString TestEnv::dataFile(const QString& name) { return qEnvironmentVariable("DIALTOP_TEST_DATA") + "/" + name; }
