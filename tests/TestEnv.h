#pragma once
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// A column of the current data row, for a value used once.
template <typename T>
T Fetch(const char* column) { return *static_cast<T*>(QTest::qData(column, qMetaTypeId<T>())); }

// Points every settings, data and runtime root of the program at a fresh
// temporary folder, so a test never sees or touches a user's real files.
class TestEnv
{
public:
    TestEnv();
    ~TestEnv();
    QString root() const { return m_dir.path(); }
    QString configDir() const { return m_dir.filePath("config"); }   // DIALTOP_CONFIG_DIR
    QString dataDir() const { return m_dir.filePath("data"); }       // XDG_DATA_HOME
    QString runtimeDir() const { return m_dir.filePath("runtime"); } // XDG_RUNTIME_DIR
    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    // Bytes of a whole file; empty when it cannot be read.
    static QByteArray readAll(const QString& path);
    static bool writeAll(const QString& path, const QByteArray& bytes);
    // Folder of checked-in fixtures.
    static QString dataFile(const QString& name);

private:
    QTemporaryDir m_dir;
};
