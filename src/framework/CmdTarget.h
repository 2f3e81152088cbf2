#pragma once
// Command routing: every class that handles commands keeps a static table that
// binds command ids (and ranges of ids) to handler and update-handler members.
// Commands route from the active view to its document, then the frame, then
// the application; a command that nobody handles is disabled.

#include <QString>

#include <vector>

class QAction;
class QMenu;

namespace fw {

// What an update handler can set on a command's menu item or toolbar button.
class CCmdUI
{
public:
    explicit CCmdUI(unsigned id, QAction* action = nullptr, QMenu* menu = nullptr)
        : m_nID(id), m_pAction(action), m_pMenu(menu) {}
    virtual ~CCmdUI() = default;

    unsigned m_nID;
    QAction* m_pAction; // null when asked without a user-interface element
    QMenu* m_pMenu;     // the menu holding the item, when the item is in a menu
    bool m_bEnableChanged = false;

    virtual void Enable(bool on = true);
    virtual void SetCheck(int check = 1);
    virtual void SetText(const QString& text);

    // The result of the last Enable/SetCheck, for callers without an action.
    bool m_bEnabled = true;
    int m_nCheck = 0;

    // Runs the routing for the update; when no handler answered, the command is
    // enabled exactly when some target handles it.
    template <class Target>
    void DoUpdate(Target* target)
    {
        m_bEnableChanged = false;
        if (!target->OnCmdMsg(m_nID, this) || !m_bEnableChanged)
            Enable(target->OnCmdMsg(m_nID, nullptr, true));
    }
};

class CCmdTarget
{
public:
    virtual ~CCmdTarget() = default;

    // pUpdate null: run the command (or, with probe, only tell whether a
    // handler exists). Returns true when this target (or one it routes to)
    // handled it.
    virtual bool OnCmdMsg(unsigned id, CCmdUI* pUpdate, bool probe = false) = 0;
};

// One entry of a class's command table.
template <class T>
struct CmdEntry
{
    unsigned nFirst = 0;
    unsigned nLast = 0;
    void (T::*pfnCmd)() = nullptr;
    void (T::*pfnCmdRange)(unsigned) = nullptr;
    void (T::*pfnUpdate)(CCmdUI*) = nullptr;
};

template <class T>
CmdEntry<T> OnCommand(unsigned id, void (T::*fn)())
{
    CmdEntry<T> e;
    e.nFirst = e.nLast = id;
    e.pfnCmd = fn;
    return e;
}

template <class T>
CmdEntry<T> OnCommandRange(unsigned first, unsigned last, void (T::*fn)(unsigned))
{
    CmdEntry<T> e;
    e.nFirst = first;
    e.nLast = last;
    e.pfnCmdRange = fn;
    return e;
}

template <class T>
CmdEntry<T> OnUpdate(unsigned id, void (T::*fn)(CCmdUI*))
{
    CmdEntry<T> e;
    e.nFirst = e.nLast = id;
    e.pfnUpdate = fn;
    return e;
}

template <class T>
CmdEntry<T> OnUpdateRange(unsigned first, unsigned last, void (T::*fn)(CCmdUI*))
{
    CmdEntry<T> e;
    e.nFirst = first;
    e.nLast = last;
    e.pfnUpdate = fn;
    return e;
}

// Looks the id up in the table and runs what it finds.
template <class T>
bool DispatchCmdMsg(T* self, const std::vector<CmdEntry<T>>& map, unsigned id, CCmdUI* pUpdate, bool probe)
{
    for (const CmdEntry<T>& e : map) {
        if (id < e.nFirst || id > e.nLast)
            continue;
        if (pUpdate) {
            if (e.pfnUpdate) {
                pUpdate->m_bEnableChanged = false;
                (self->*e.pfnUpdate)(pUpdate);
                return true;
            }
        } else if (e.pfnCmd || e.pfnCmdRange) {
            if (probe)
                return true;
            if (e.pfnCmd)
                (self->*e.pfnCmd)();
            else
                (self->*e.pfnCmdRange)(id);
            return true;
        }
    }
    return false;
}

} // namespace fw
