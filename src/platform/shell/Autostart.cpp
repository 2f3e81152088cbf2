#include "Autostart.h"

#include "DesktopEntry.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace shell {

QString AutostartEntryPath()
{
    QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/dialtop.desktop");
}

bool IsAutostartEnabled()
{
    DesktopEntry entry;
    if (!entry.Load(AutostartEntryPath()))
        return false;
    return !entry.Hidden() && entry.Value(QStringLiteral("X-GNOME-Autostart-enabled")).trimmed() != u"false";
}

QString AutostartExecValue(const QString& program)
{
    if (program.isEmpty() || !QDir::isAbsolutePath(program))
        return QString();
    for (QChar c : program)
        if (c.category() == QChar::Other_Control)
            return QString();
    // Inside double quotes these four take a backslash; a percent sign would
    // be a field code and is doubled.
    QString quoted = QStringLiteral("\"");
    for (QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        else if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    quoted += u'"';
    // The value as a whole is a string value, whose own escape is the backslash.
    return quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
}

bool SetAutostart(bool on, const QString& program)
{
    const QString path = AutostartEntryPath();
    if (!on) {
        QFile::remove(path);
        // A dangling link counts too: the session would still see the name.
        return !QFileInfo(path).exists() && !QFileInfo(path).isSymLink();
    }
    const QString exec = AutostartExecValue(program);
    if (exec.isEmpty())
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    const QByteArray text = QStringLiteral("[Desktop Entry]\n"
                                           "Type=Application\n"
                                           "Name=%1\n"
                                           "Exec=%2\n"
                                           "X-GNOME-Autostart-enabled=true\n")
                                .arg(res::LoadString(ids::AFX_IDS_APP_TITLE), exec)
                                .toUtf8();
    // A link (say to the packaged entry) is replaced, never written through:
    // the file it points to is not ours to change.
    if (QFileInfo(path).isSymLink() && !QFile::remove(path))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(text) != text.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

} // namespace shell
