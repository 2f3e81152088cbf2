#include "launcher/ItemLaunch.h"

#include "framework/MessageBox.h"
#include "platform/shell/Execute.h"
#include "res/ResourceIds.h"
#include "res/Strings.h"
#include "theme/ThemeData.h"

#include <QApplication>
#include <QMainWindow>

namespace {

DialFirstHooks& Hooks()
{
    static DialFirstHooks hooks;
    return hooks;
}

QWidget* MainWindow()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(w))
            return w;
    return nullptr;
}

QWidget* ActiveWindow()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::activeWindow() : nullptr;
}

} // namespace

DialFirstHooks SetDialFirstHooks(DialFirstHooks hooks)
{
    DialFirstHooks old = Hooks();
    Hooks() = std::move(hooks);
    return old;
}

bool CThemeItem::Launch() const
{
    shell::ExecuteRequest request;
    request.file = m_strTarget;
    request.parameters = m_strArguments;
    request.directory = m_strStartIn;
    request.showCmd = m_nShowCmd;

    // Dialling first needs the dial-up subsystem; while it has not installed
    // its hooks there is no connection to make, and the item starts as is.
    const DialFirstHooks& hooks = Hooks();
    if (m_bDialFirst && hooks.IsInstalled() && !hooks.isConnected()) {
        const QString entry = hooks.defaultEntry();
        if (!entry.isEmpty()) {
            if (!hooks.connect(entry, MainWindow()))
                return false;
        } else {
            fw::MessageBox(res::LoadString(ids::IDS_NO_DEFAULT_PROVIDER), fw::MB_OK | fw::MB_ICONEXCLAMATION,
                           MainWindow());
        }
    }

    QString error;
    if (shell::ShellExecute(request, &error))
        return true;
    // Shown as the system shows an error box of its own: titled "Error".
    fw::MessageBox(error, fw::MB_OK | fw::MB_ICONEXCLAMATION, ActiveWindow(), QStringLiteral("Error"));
    return false;
}
