#include "DialtopApp.h"
#include "ShownProbe.h"

#include "platform/shell/Icons.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QImageReader>

#include <fontconfig/fontconfig.h>

#include <future>
#include <thread>

int main(int argc, char** argv)
{
    // Costs of the first window that nothing before it needs are paid on
    // another core meanwhile: reading the font configuration, then (once
    // the application has its platform) filling the font database, and
    // finding the image format plug-ins. All are safe from any thread.
    std::promise<void> appMade;
    std::thread fonts([made = appMade.get_future()] {
        FcInit();
        made.wait();
        QFontDatabase::families();
    });
    QApplication app(argc, argv);
    appMade.set_value();
    std::thread imageFormats([] { QImageReader::supportedImageFormats(); });
    QApplication::setApplicationName(QStringLiteral("dialtop"));
    // No display name: Qt would append it to every window title and box
    // caption, which already name the program ("Dialtop - First").
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/128.png")));
    shell::EnsureIconTheme();

    // Start-up measurements end the program once its window is painted.
    if (qEnvironmentVariableIsSet("DIALTOP_EXIT_WHEN_SHOWN"))
        app.installEventFilter(new CShownProbe(&app));
    CDialtopApp theApp;
    fonts.join();
    imageFormats.join();
    QStringList args = app.arguments();
    args.removeFirst();
    if (!theApp.InitInstance(args)) {
        theApp.ExitInstance();
        return theApp.m_nExitCode;
    }
    const int result = app.exec();
    theApp.ExitInstance();
    return result;
}
