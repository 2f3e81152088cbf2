#include "DialtopApp.h"

#include "platform/shell/Icons.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dialtop"));
    QApplication::setApplicationDisplayName(QStringLiteral("Dialtop"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/128.png")));
    shell::EnsureIconTheme();

    CDialtopApp theApp;
    QStringList args = app.arguments();
    args.removeFirst();
    if (!theApp.InitInstance(args)) {
        theApp.ExitInstance();
        return 0;
    }
    const int result = app.exec();
    theApp.ExitInstance();
    return result;
}
