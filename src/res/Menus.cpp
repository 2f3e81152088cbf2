#include "Menus.h"

#include "ResourceIds.h"

namespace res {

namespace {

MenuNode item(const char* text, unsigned id)
{
    return MenuNode{QString::fromUtf8(text), id, {}};
}

MenuNode separator()
{
    return MenuNode{};
}

MenuNode popup(const char* text, std::vector<MenuNode> children)
{
    return MenuNode{QString::fromUtf8(text), 0, std::move(children)};
}

} // namespace

const std::vector<MenuNode>& LoadMenu(unsigned id)
{
    using namespace ids;
    static const std::vector<MenuNode> mainMenu = {
        popup("&File", {
            item("&Connect", ID_CONNECT),
            item("Hangup", ID_HANGUP),
            separator(),
            popup("&New", {
                item("&Theme", ID_FILE_NEW),
                separator(),
                item("&Item...", ID_NEW_ITEM),
                item("&Tab...", ID_NEW_TAB),
            }),
            item("&Open...", ID_FILE_OPEN),
            item("&Save", ID_FILE_SAVE),
            item("Save &As...", ID_FILE_SAVE_AS),
            separator(),
            item("&Run", ID_RUN_ITEM),
            item("&Delete", ID_DELETE_ITEM),
            item("P&roperties...", ID_ITEM_PROPERTIES),
            separator(),
            item("Recent Theme", ID_FILE_MRU_FIRST),
            separator(),
            item("E&xit", ID_APP_EXIT),
        }),
        popup("&View", {
            popup("Arrange &Icons", {
                item("Align &Left", ID_ALIGN_LEFT),
                item("Align &Top", ID_ALIGN_TOP),
            }),
            separator(),
            item("&Toolbar", ID_VIEW_TOOLBAR),
            item("&Status Bar", ID_VIEW_STATUS_BAR),
            item("&Favorites Bar", ID_VIEW_FAVORITES),
            item("T&imer Bar", ID_VIEW_TIMERBAR),
        }),
        popup("&Options", {
            popup("&Provider", {
                item("Add New...", ID_ADD_PROVIDER),
                separator(),
            }),
            item("&Customize...", ID_CUSTOMIZE),
        }),
        popup("&Help", {
            item("&Help Topics", ID_HELP_FINDER),
            separator(),
            item("&About Dialtop...", ID_APP_ABOUT),
        }),
    };
    static const std::vector<MenuNode> contextMenus = {
        popup("Item", {
            item("&Open", ID_RUN_ITEM),
            separator(),
            item("&Delete", ID_DELETE_ITEM),
            item("P&roperties...", ID_ITEM_PROPERTIES),
        }),
        popup("Tab", {
            item("&Delete", ID_DELETE_TAB),
            item("P&roperties...", ID_TAB_PROPERTIES),
        }),
        popup("Desktop", {
            popup("Arrange &Icons", {
                item("Align &Left", ID_ALIGN_LEFT),
                item("Align &Top", ID_ALIGN_TOP),
            }),
            separator(),
            popup("&New", {
                item("&Item...", ID_NEW_ITEM),
                separator(),
                item("&Tab...", ID_NEW_TAB),
            }),
            item("Paste &Shortcut", ID_PASTE_SHORTCUT),
            separator(),
            item("&Delete", ID_DELETE_TAB),
            item("P&roperties...", ID_TAB_PROPERTIES),
        }),
        popup("Favorites", {
            item("&Customize...", ID_CUSTOMIZE_FAVORITES),
        }),
    };
    static const std::vector<MenuNode> none;
    if (id == IDR_MAINFRAME)
        return mainMenu;
    if (id == IDR_CONTEXTMENUS)
        return contextMenus;
    return none;
}

const std::vector<Accelerator>& LoadAccelerators(unsigned id)
{
    using namespace ids;
    static const std::vector<Accelerator> main = {
        {"Ctrl+N", ID_FILE_NEW},      {"Ctrl+O", ID_FILE_OPEN},      {"Ctrl+S", ID_FILE_SAVE},
        {"Ctrl+C", ID_EDIT_COPY},     {"Ctrl+Ins", ID_EDIT_COPY},    {"Ctrl+X", ID_EDIT_CUT},
        {"Shift+Del", ID_EDIT_CUT},   {"Ctrl+V", ID_EDIT_PASTE},     {"Shift+Ins", ID_EDIT_PASTE},
        {"F1", ID_HELP},              {"Shift+F1", ID_CONTEXT_HELP},
    };
    static const std::vector<Accelerator> none;
    return id == IDR_MAINFRAME ? main : none;
}

const std::vector<unsigned>& LoadToolBar(unsigned id)
{
    using namespace ids;
    static const std::vector<unsigned> main = {
        ID_CONNECT, ID_HANGUP, 0, ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_NEW_ITEM, ID_NEW_TAB, 0,
        ID_HELP_FINDER,
    };
    static const std::vector<unsigned> none;
    return id == IDR_MAINFRAME ? main : none;
}

} // namespace res
