// The yardsticks for start-up timing, started and timed the same way as the
// program: an empty main window, or (with --bars) the least a window with
// words and icons needs: a menu bar, a tool bar of stock icons, a status bar
// and a line of text. Each shows itself and ends once it has been painted.

#include "app/ShownProbe.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <cstring>

namespace {

void addBars(QMainWindow& window)
{
    for (const char* title : {"&File", "&Edit", "&View", "&Help"}) {
        QMenu* menu = window.menuBar()->addMenu(QString::fromLatin1(title));
        for (int i = 1; i <= 6; ++i)
            menu->addAction(QStringLiteral("Command %1").arg(i));
    }
    QToolBar* tools = window.addToolBar(QStringLiteral("Toolbar"));
    for (int i = 0; i < 8; ++i)
        tools->addAction(window.style()->standardIcon(QStyle::StandardPixmap(QStyle::SP_DirIcon + i)),
                         QStringLiteral("Tool %1").arg(i));
    window.statusBar()->addWidget(new QLabel(QStringLiteral("Not connected")), 1);
    window.setCentralWidget(new QLabel(QStringLiteral("A line of text in the window")));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.installEventFilter(new CShownProbe(&app));
    QMainWindow window;
    if (argc > 1 && std::strcmp(argv[1], "--bars") == 0)
        addBars(window);
    window.resize(640, 480);
    window.show();
    return app.exec();
}
