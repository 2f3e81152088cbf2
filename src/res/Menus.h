#pragma once
// Menus, accelerators and toolbars as data: what the frame builds its menu bar,
// context menus, shortcuts and toolbar from.

#include <QString>
#include <vector>

namespace res {

struct MenuNode
{
    QString text;        // "&File"; empty for a separator
    unsigned id = 0;     // command id; 0 for popups and separators
    std::vector<MenuNode> children; // a popup when not empty
    bool IsSeparator() const { return text.isEmpty() && id == 0 && children.empty(); }
    bool IsPopup() const { return !children.empty(); }
};

// Menu resource by id (128 main menu, 167 context menus): its top-level popups.
const std::vector<MenuNode>& LoadMenu(unsigned id);

struct Accelerator
{
    QString key; // in QKeySequence's portable text form, "Ctrl+C"
    unsigned id;
};
const std::vector<Accelerator>& LoadAccelerators(unsigned id);

// Toolbar resource: command ids in order, 0 for a separator.
const std::vector<unsigned>& LoadToolBar(unsigned id);

} // namespace res
