#pragma once
// Writes a file under a test's folder, making its folders; a write that
// fails ends the test program, since every later check would be meaningless.

#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

inline QString MakeFile(const TestEnv& env, const QString& name, const QByteArray& bytes, bool executable = false)
{
    const QString p = env.path(name);
    QDir().mkpath(QFileInfo(p).absolutePath());
    if (!TestEnv::writeAll(p, bytes))
        qFatal("cannot write %s", qPrintable(p));
    if (executable)
        QFile::setPermissions(p, QFile::permissions(p) | QFile::ExeOwner);
    return p;
}
