#pragma once
// The application object: start-up in a fixed order, the theme to open first,
// one instance per user, and the commands that belong to the application.

#include "framework/WinApp.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class CSingleInstance;
class QTimer;

class CDialtopApp : public fw::CWinApp
{
public:
    CDialtopApp();
    ~CDialtopApp() override;

    QString m_strFirstTheme;
    bool m_bClassRegistered = false;
    // The process's status when InitInstance fails: 0 after handing over to
    // a running instance, else not 0.
    int m_nExitCode = 0;

    // args: the command line without the program name. False ends the program.
    bool InitInstance(const QStringList& args);
    int ExitInstance();
    bool ActivatePreviousInstance(const QString& fileToOpen);

    void OnFileOpen();
    void OnAppAbout();

    // The kernel's release ("6.1.0-18-amd64"); tests replace it.
    static QString KernelRelease();
    static void SetKernelReleaseOverride(const QString& release);
    // The kernel's major version from a release text, 0 when there is none.
    static int MajorVersion(const QString& release);

    // The starter theme installed with the program.
    static QString InstalledFirstTheme();
    // Copies the starter theme into an empty themes folder; true when copied.
    static bool InstallFirstTheme(const QString& themesFolder);
    // Makes ".Theme" files known to the desktop as this program's documents.
    static void RegisterShellFileTypes();

    // The theme the command line names (as written), empty when none.
    static QString ThemeFromCommandLine(const QStringList& args);
    // The theme to open when the command line names none (empty: a new one).
    QString ChooseStartTheme();

protected:
    bool OnOwnCmdMsg(unsigned id, fw::CCmdUI* pUpdate, bool probe) override;

private:
    void OnActivateRequested(const QString& fileToOpen);
    CSingleInstance* m_pInstance = nullptr;
    QStringList m_pendingOpens;
    QTimer* m_pPendingTimer = nullptr;
};
