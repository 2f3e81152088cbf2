#include "DialtopApp.h"

#include "platform/shell/Icons.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QTimer>

#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <thread>

int main(int argc, char** argv)
{
    // Two costs of the first window that nothing before it needs are paid on
    // another core meanwhile: reading the font configuration, and finding
    // the image format plug-ins (both are safe to start from any thread).
    std::thread fonts([] { FcInit(); });
    QApplication app(argc, argv);
    std::thread imageFormats([] { QImageReader::supportedImageFormats(); });
    QApplication::setApplicationName(QStringLiteral("dialtop"));
    // No display name: Qt would append it to every window title and box
    // caption, which already name the program ("Dialtop - First").
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/128.png")));
    shell::EnsureIconTheme();

    CDialtopApp theApp;
    fonts.join();
    imageFormats.join();
    QStringList args = app.arguments();
    args.removeFirst();
    if (!theApp.InitInstance(args)) {
        theApp.ExitInstance();
        return theApp.m_nExitCode;
    }
    // For start-up measurements: say so and end as soon as the window has
    // been shown.
    if (qEnvironmentVariableIsSet("DIALTOP_EXIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, [] {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    const int result = app.exec();
    theApp.ExitInstance();
    return result;
}
