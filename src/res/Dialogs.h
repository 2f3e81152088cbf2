#pragma once
// Dialog templates: ids, texts and rectangles in dialog units.

#include <QRect>
#include <QString>
#include <vector>

namespace res {

enum class Ctl {
    Static,       // text
    Icon,         // icon picture
    Edit,
    Button,
    DefButton,
    CheckBox,
    GroupBox,
    ComboDropDown, // drop-down with an edit field
    ComboList,     // drop-down list
    ListBox,
    Spin,
    Animation,
    IconButton,
    UpDown,       // up-down arrows without a buddy
};

// Style bits of a control.
enum CtlStyle : unsigned {
    kNone = 0,
    kPassword = 1 << 0,
    kReadOnly = 1 << 1,
    kHidden = 1 << 2,
    kDigits = 1 << 3,
    kSunken = 1 << 4,
    kCenter = 1 << 5,
    kRight = 1 << 6,
    kSorted = 1 << 7,
    kMultiSelect = 1 << 8,
    kOwnerDraw = 1 << 9,
};

struct DlgControl
{
    int id;        // -1 for static texts nobody addresses
    Ctl kind;
    QString text;
    QRect rect;    // dialog units: x, y, width, height
    unsigned style = kNone;
};

struct DialogTemplate
{
    unsigned id = 0;
    QString caption;
    QSize size;    // dialog units
    std::vector<DlgControl> controls;
};

// The template with that id; an empty template (id 0) when there is none.
const DialogTemplate& LoadDialog(unsigned id);

constexpr unsigned IDD_ABOUTBOX = 100;
constexpr unsigned IDD_ADDTAB = 102;
constexpr unsigned IDD_ADDITEM = 130;
constexpr unsigned IDD_ITEMPROPERTIES = 161;
constexpr unsigned IDD_CHANGEICON = 164;
constexpr unsigned IDD_PASSWORD = 145;
constexpr unsigned IDD_PROVIDER_PAGE1 = 146;
constexpr unsigned IDD_PROVIDER_PAGE3 = 159;
constexpr unsigned IDD_DIALING = 160;
constexpr unsigned IDD_CUSTOMIZE_GENERAL = 109;
constexpr unsigned IDD_CUSTOMIZE_CONNECTION = 180;
constexpr unsigned IDD_CUSTOMIZE_TIMES = 181;
constexpr unsigned IDD_CUSTOMIZE_PAGE2 = 136;

} // namespace res
