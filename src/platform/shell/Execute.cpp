#include "platform/shell/Execute.h"

#include "platform/shell/CommandLine.h"
#include "platform/shell/DesktopEntry.h"
#include "platform/shell/FileCache.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <cstring>

namespace shell {

namespace {

// Linux has no error number for "nothing opens this"; this is the wording
// users know from the system the program first ran on.
const char* const kNoAssociation = "No application is associated with the specified file for this operation.";
const QString kOpener = QStringLiteral("xdg-open");

QStringList& UserTerminal()
{
    static QStringList words;
    return words;
}

// Qt reports a failed start as "<call>: <system text>"; keep the text.
QString SystemPart(const QString& qtText)
{
    const qsizetype colon = qtText.indexOf(QStringLiteral(": "));
    return colon >= 0 ? qtText.mid(colon + 2) : qtText;
}

bool StartForReal(const ProcessRequest& r, QString* errorText)
{
    QString program = r.program;
    if (r.kind == ProcessRequest::DefaultHandler) {
        program = QStandardPaths::findExecutable(r.program);
        if (program.isEmpty()) {
            // No opener installed: Qt's own services may still know a way.
            if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && !r.arguments.isEmpty()) {
                const QUrl url = QUrl::fromUserInput(r.arguments.constFirst(), r.workingDirectory,
                                                     QUrl::AssumeLocalFile);
                if (url.isValid() && QDesktopServices::openUrl(url))
                    return true;
            }
            *errorText = QString::fromLatin1(kNoAssociation);
            return false;
        }
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(r.arguments);
    process.setWorkingDirectory(r.workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        *errorText = SystemPart(process.errorString());
        return false;
    }
    return true;
}

ProcessStarter& Starter()
{
    static ProcessStarter starter;
    return starter;
}

bool Start(ProcessRequest r, QString* errorText)
{
    const ProcessStarter& s = Starter();
    return s ? s(r, errorText) : StartForReal(r, errorText);
}

bool Fail(QString* errorText, int errnum)
{
    *errorText = SystemErrorText(errnum);
    return false;
}

bool OpenWithDefaultHandler(const QString& what, const ExecuteRequest& req, QString* errorText)
{
    ProcessRequest r;
    r.kind = ProcessRequest::DefaultHandler;
    r.program = kOpener;
    r.arguments = {what};
    r.workingDirectory = req.directory;
    r.showCmd = req.showCmd;
    return Start(r, errorText);
}

QString FindProgram(const QString& name)
{
    if (name.contains(u'/')) {
        const QFileInfo fi(name);
        return fi.exists() ? fi.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(name);
}

bool RunDesktopEntry(const QString& path, const ExecuteRequest& req, QString* errorText)
{
    const auto entry = CachedDesktopEntry(path);
    if (!entry)
        return Fail(errorText, ENOEXEC);
    // A hidden entry counts as deleted.
    if (entry->Hidden())
        return Fail(errorText, ENOENT);
    const QString type = entry->Type();
    if (type == u"Link") {
        const QString url = entry->Url();
        if (url.isEmpty())
            return Fail(errorText, ENOEXEC);
        return OpenWithDefaultHandler(url, req, errorText);
    }
    if (type != u"Application")
        return Fail(errorText, ENOEXEC);

    const QString tryExec = entry->TryExec();
    if (!tryExec.isEmpty()) {
        const QString found = FindProgram(tryExec);
        if (found.isEmpty() || !QFileInfo(found).isExecutable())
            return Fail(errorText, ENOENT);
    }

    const QList<QStringList> lines = entry->CommandLines(SplitCommandLine(req.parameters));
    if (lines.isEmpty())
        return Fail(errorText, ENOEXEC);

    QString workDir = entry->WorkingPath();
    if (workDir.isEmpty())
        workDir = req.directory;
    else if (!QFileInfo(workDir).isDir())
        return Fail(errorText, ENOENT);

    QStringList terminal;
    if (entry->Terminal()) {
        terminal = TerminalCommand();
        if (terminal.isEmpty())
            return Fail(errorText, ENOENT);
    }

    for (QStringList line : lines) {
        const QString program = FindProgram(line.constFirst());
        if (program.isEmpty())
            return Fail(errorText, ENOENT);
        line[0] = program;
        ProcessRequest r;
        r.showCmd = req.showCmd;
        r.workingDirectory = workDir;
        if (!terminal.isEmpty()) {
            r.program = terminal.constFirst();
            r.arguments = terminal.mid(1) + line;
        } else {
            r.program = line.constFirst();
            r.arguments = line.mid(1);
        }
        if (!Start(r, errorText))
            return false;
    }
    return true;
}

} // namespace

ProcessStarter SetProcessStarter(ProcessStarter starter)
{
    ProcessStarter old = Starter();
    Starter() = std::move(starter);
    return old;
}

QString SystemErrorText(int errnum)
{
    return QString::fromLocal8Bit(std::strerror(errnum));
}

void SetTerminalCommand(const QStringList& words)
{
    UserTerminal() = words;
}

QStringList TerminalCommand()
{
    // How each known terminal is told "run the rest of the line".
    static const QList<QPair<QString, QString>> known = {
        {QStringLiteral("gnome-terminal"), QStringLiteral("--")},
        {QStringLiteral("konsole"), QStringLiteral("-e")},
        {QStringLiteral("xfce4-terminal"), QStringLiteral("-x")},
        {QStringLiteral("mate-terminal"), QStringLiteral("-x")},
        {QStringLiteral("lxterminal"), QStringLiteral("-e")},
        {QStringLiteral("tilix"), QStringLiteral("-e")},
        {QStringLiteral("alacritty"), QStringLiteral("-e")},
        {QStringLiteral("kitty"), QString()},
        {QStringLiteral("foot"), QString()},
        {QStringLiteral("xterm"), QStringLiteral("-e")},
    };
    auto withFlag = [&](const QString& program, QStringList words) {
        const QString base = QFileInfo(program).fileName();
        QString flag = QStringLiteral("-e");
        for (const auto& k : known)
            if (k.first == base)
                flag = k.second;
        words[0] = program;
        if (words.size() == 1 && !flag.isEmpty())
            words << flag;
        return words;
    };

    QStringList user = UserTerminal();
    if (user.isEmpty())
        user = SplitCommandLine(QString::fromLocal8Bit(qgetenv("TERMINAL")));
    if (!user.isEmpty()) {
        const QString program = FindProgram(user.constFirst());
        if (!program.isEmpty())
            return withFlag(program, user);
    }
    const QString debian = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
    if (!debian.isEmpty())
        return {debian, QStringLiteral("-e")};
    for (const auto& k : known) {
        const QString program = QStandardPaths::findExecutable(k.first);
        if (!program.isEmpty())
            return withFlag(program, {program});
    }
    return {};
}

bool LooksLikeUrl(const QString& target)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}

QString ResolveTarget(const QString& target, const QString& directory)
{
    if (target.isEmpty())
        return QString();
    if (QDir::isAbsolutePath(target))
        return QFileInfo::exists(target) ? QDir::cleanPath(target) : QString();
    const QString here = QDir::current().absoluteFilePath(target);
    if (QFileInfo::exists(here))
        return QDir::cleanPath(here);
    if (!directory.isEmpty()) {
        const QString there = QDir(directory).absoluteFilePath(target);
        if (QFileInfo::exists(there))
            return QDir::cleanPath(there);
    }
    if (!target.contains(u'/'))
        return QStandardPaths::findExecutable(target);
    return QString();
}

bool IsProgramFile(const QString& path)
{
    static FileCache<bool> cache;
    return cache.Get(path, [](const QString& p) {
        const QFileInfo fi(p);
        if (!fi.isFile() || !fi.isExecutable())
            return false;
        QFile f(p);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        const QByteArray head = f.read(4);
        return head == QByteArray("\x7f" "ELF") || head.startsWith("#!");
    });
}

bool ShellExecute(const ExecuteRequest& req, QString* errorText)
{
    QString scratch;
    if (!errorText)
        errorText = &scratch;
    errorText->clear();

    if (req.file.isEmpty())
        return Fail(errorText, ENOENT);
    if (!req.directory.isEmpty()) {
        const QFileInfo dir(req.directory);
        if (!dir.exists())
            return Fail(errorText, ENOENT);
        if (!dir.isDir())
            return Fail(errorText, ENOTDIR);
    }

    if (LooksLikeUrl(req.file) && !QFileInfo::exists(req.file)) {
        const QUrl url(req.file);
        if (!url.isLocalFile())
            return OpenWithDefaultHandler(req.file, req, errorText);
        ExecuteRequest local = req;
        local.file = url.toLocalFile();
        return ShellExecute(local, errorText);
    }

    const QString path = ResolveTarget(req.file, req.directory);
    if (path.isEmpty())
        return Fail(errorText, ENOENT);
    const QFileInfo fi(path);
    if (fi.isDir())
        return OpenWithDefaultHandler(path, req, errorText);
    if (fi.suffix().compare(QStringLiteral("desktop"), Qt::CaseInsensitive) == 0)
        return RunDesktopEntry(path, req, errorText);
    if (IsProgramFile(path)) {
        ProcessRequest r;
        r.program = path;
        r.arguments = SplitCommandLine(req.parameters);
        r.workingDirectory = req.directory;
        r.showCmd = req.showCmd;
        return Start(r, errorText);
    }
    if (!fi.isReadable())
        return Fail(errorText, EACCES);
    return OpenWithDefaultHandler(path, req, errorText);
}

} // namespace shell
