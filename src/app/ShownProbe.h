#pragma once
// For start-up measurements (DIALTOP_EXIT_WHEN_SHOWN): says "shown" on the
// standard output and ends the program once the main window's first paint
// is done; the painting of its children and the hand-over to the display
// finish before the event loop runs the timer. The benchmark's yardstick
// windows use the same probe, so all are timed to the same visible state.

#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>

class CShownProbe : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && qobject_cast<QMainWindow*>(o)) {
            QCoreApplication::instance()->removeEventFilter(this);
            QTimer::singleShot(0, QCoreApplication::instance(), [] {
                std::fputs("shown\n", stdout);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }
};
