#include "dialup/RasMessages.h"

#include <QApplication>
#include <QMutex>
#include <QWidget>

namespace {

int Register(int fallback)
{
    const int type = QEvent::registerEventType();
    return type > 0 ? type : fallback;
}

QMutex s_appMutex;
bool s_bAppClosing = false;
QCoreApplication* s_pHookedApp = nullptr;

void OnAppClosing()
{
    QMutexLocker lock(&s_appMutex);
    s_bAppClosing = true;
}

// Registered while the static objects are made, as the ids are process-wide.
[[maybe_unused]] const int s_registered = [] {
    RasDialEventType();
    RasConnectionTimeEventType();
    RasConnectionSpeedEventType();
    RasDropLineEventType();
    return 0;
}();

} // namespace

int RasDialEventType()
{
    static const int type = Register(kRasDialEventFallback);
    return type;
}

int RasConnectionTimeEventType()
{
    static const int type = Register(-1);
    return type;
}

int RasConnectionSpeedEventType()
{
    static const int type = Register(-1);
    return type;
}

int RasDropLineEventType()
{
    static const int type = Register(-1);
    return type;
}

void PostToTopLevelWidgets(int type, WPARAM wParam, LPARAM lParam)
{
    if (type <= 0)
        return;
    QMutexLocker lock(&s_appMutex);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || (s_bAppClosing && app == s_pHookedApp))
        return;
    s_bAppClosing = false;
    if (app != s_pHookedApp) {
        s_pHookedApp = app;
        qAddPostRoutine(OnAppClosing);
    }
    // The list of widgets belongs to the user-interface thread: read it there.
    QMetaObject::invokeMethod(
        app,
        [type, wParam, lParam] {
            if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
                return;
            const QWidgetList widgets = QApplication::topLevelWidgets();
            for (QWidget* w : widgets)
                QCoreApplication::postEvent(w, new CRasMessageEvent(type, wParam, lParam));
        },
        Qt::QueuedConnection);
}
