#pragma once
// Opening a target the way the desktop would: programs are started directly
// with their arguments and working folder, desktop entries by their Exec
// line, and folders, documents and Internet addresses by the desktop's
// default handler. Nothing ever goes through a shell interpreter.

#include <QString>
#include <QStringList>
#include <functional>

namespace shell {

// Window states, with the platform's numbers.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;

struct ExecuteRequest
{
    QString file;       // program, document, folder, .desktop file or address
    QString parameters; // argument string, split like a command line
    QString directory;  // working folder; empty means ours
    int showCmd = SW_SHOWNORMAL;
};

// One process to start.
struct ProcessRequest
{
    enum Kind { Program, DefaultHandler };
    Kind kind = Program;
    QString program;     // for DefaultHandler: the opener ("xdg-open")
    QStringList arguments;
    QString workingDirectory;
    int showCmd = SW_SHOWNORMAL; // carried as a hint: X11 and Wayland offer
                                 // no general way to ask a started program
                                 // for a window state
};

// Starts one process; on failure fills *errorText with the system's text.
using ProcessStarter = std::function<bool(const ProcessRequest&, QString* errorText)>;

// Replaces the process starter (tests record what would be started); returns
// the one replaced. An empty starter restores the real one.
ProcessStarter SetProcessStarter(ProcessStarter starter);

// Opens the target. On failure returns false and sets *errorText to the
// system's text for the error ("No such file or directory" for a missing
// target); nothing is shown to the user here.
bool ShellExecute(const ExecuteRequest& request, QString* errorText);

// The system's text for an errno value.
QString SystemErrorText(int errnum);

// The terminal that runs Terminal=true entries: the words placed before the
// command. A user setting (SetTerminalCommand, else $TERMINAL) comes first,
// then x-terminal-emulator, then a few well-known terminals. Empty when none
// is installed.
QStringList TerminalCommand();
void SetTerminalCommand(const QStringList& words);

// True when the target names an Internet or other address ("scheme:rest" with
// a scheme of two or more letters) rather than a path.
bool LooksLikeUrl(const QString& target);

// A path as the shell resolves a relative target: against the current folder,
// then the working folder, then (for a bare name) the program search path.
// Empty when nothing exists.
QString ResolveTarget(const QString& target, const QString& directory = QString());

// True for a file the system can run itself: executable and an ELF image or
// a "#!" script.
bool IsProgramFile(const QString& path);

} // namespace shell
