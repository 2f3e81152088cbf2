#include "Dialogs.h"

#include <map>

namespace res {

namespace {

std::map<unsigned, DialogTemplate> buildTemplates()
{
    std::map<unsigned, DialogTemplate> t;
    t[IDD_ABOUTBOX] = DialogTemplate{
        IDD_ABOUTBOX,
        "About Dialtop",
        {235, 75},
        {
            {128, Ctl::Icon, "", {11, 17, 20, 20}},
            {-1, Ctl::Static, "Dialtop Version 1.0", {40, 10, 150, 8}},
            {-1, Ctl::Static, "A launcher and dial-up connection manager.", {40, 25, 180, 8}},
            {-1, Ctl::Static, "Copyright (C) 2026 Corvane", {40, 40, 150, 8}},
            {1, Ctl::DefButton, "OK", {178, 54, 50, 14}},
        },
    };
    t[IDD_ADDTAB] = DialogTemplate{
        IDD_ADDTAB,
        "Add a new Tab",
        {230, 73},
        {
            {-1, Ctl::Static, "Name:", {5, 7, 23, 8}},
            {1000, Ctl::Edit, "", {32, 7, 134, 15}},
            {-1, Ctl::Static, "Background:", {5, 22, 42, 8}},
            {1009, Ctl::Edit, "", {5, 33, 161, 14}},
            {1004, Ctl::Button, "&Browse", {5, 50, 50, 14}},
            {1, Ctl::DefButton, "OK", {175, 7, 50, 14}},
            {2, Ctl::Button, "Cancel", {175, 25, 50, 14}},
        },
    };
    t[IDD_ADDITEM] = DialogTemplate{
        IDD_ADDITEM,
        "Add Item",
        {279, 74},
        {
            {1065, Ctl::Icon, "", {7, 7, 18, 20}, kSunken},
            {-1, Ctl::Static, "Name:", {41, 10, 22, 8}},
            {1000, Ctl::Edit, "", {69, 7, 142, 15}},
            {-1, Ctl::Static, "&Target:", {7, 35, 33, 8}},
            {1003, Ctl::Edit, "", {40, 33, 170, 14}},
            {1, Ctl::DefButton, "OK", {222, 7, 50, 14}},
            {2, Ctl::Button, "Cancel", {222, 28, 50, 14}},
            {1004, Ctl::Button, "&Find Target", {40, 52, 50, 14}},
        },
    };
    t[IDD_ITEMPROPERTIES] = DialogTemplate{
        IDD_ITEMPROPERTIES,
        "Properties",
        {273, 156},
        {
            {1065, Ctl::Icon, "", {7, 7, 18, 20}},
            {-1, Ctl::Static, "Name:", {41, 10, 22, 8}},
            {1000, Ctl::Edit, "", {68, 7, 142, 15}},
            {-1, Ctl::Static, "Description:", {7, 33, 38, 8}},
            {1090, Ctl::Edit, "", {49, 31, 162, 14}},
            {-1, Ctl::Static, "Target Type:", {7, 56, 44, 8}},
            {1066, Ctl::Static, "", {51, 56, 149, 8}},
            {-1, Ctl::Static, "Target:", {7, 73, 30, 8}},
            {1003, Ctl::Edit, "", {41, 71, 170, 14}},
            {-1, Ctl::Static, "Start In:", {7, 92, 31, 8}},
            {1061, Ctl::Edit, "", {41, 89, 170, 14}},
            {-1, Ctl::Static, "Run:", {7, 110, 16, 8}},
            {1059, Ctl::ComboDropDown, "", {42, 108, 80, 50}},
            {1091, Ctl::CheckBox, "Dial Default Provider on Launch", {133, 110, 125, 10}},
            {1, Ctl::DefButton, "OK", {216, 7, 50, 14}},
            {2, Ctl::Button, "Cancel", {216, 24, 50, 14}},
            {1004, Ctl::Button, "&Find Target...", {75, 135, 58, 14}},
            {1067, Ctl::Button, "&Change Icon...", {141, 135, 58, 14}},
        },
    };
    t[IDD_CHANGEICON] = DialogTemplate{
        IDD_CHANGEICON,
        "Change Icon",
        {243, 81},
        {
            {1, Ctl::DefButton, "OK", {186, 7, 50, 14}},
            {2, Ctl::Button, "Cancel", {186, 24, 50, 14}},
            {-1, Ctl::Static, "File Name:", {7, 7, 34, 8}},
            {1068, Ctl::Edit, "", {7, 16, 167, 14}},
            {1004, Ctl::Button, "&Browse...", {186, 60, 50, 14}},
            {-1, Ctl::GroupBox, "Current Icon", {59, 33, 57, 41}},
            {1065, Ctl::Icon, "", {68, 46, 18, 20}, kSunken},
            {1049, Ctl::UpDown, "", {96, 46, 10, 20}},
        },
    };
    // The "Connecting..." dialog.
    t[IDD_DIALING] = DialogTemplate{
        IDD_DIALING,
        "Connecting...",
        {266, 97},
        {
            {1082, Ctl::Animation, "", {7, 7, 45, 35}},
            {-1, Ctl::Static, "Currently Dialing:", {55, 10, 56, 8}},
            {1086, Ctl::ComboList, "", {113, 8, 146, 66}, kSorted},
            {-1, Ctl::Static, "Status:", {55, 32, 22, 8}},
            {1083, Ctl::Static, "Initializing...", {83, 30, 176, 35}, kCenter | kSunken},
            {1093, Ctl::Static, "", {7, 51, 18, 8}, kRight},
            {-1, Ctl::Static, "Tries Left", {30, 51, 35, 8}},
            {2, Ctl::Button, "Cancel", {110, 75, 50, 14}},
            {1053, Ctl::Button, "&Dial Now", {183, 75, 50, 14}},
        },
    };
    // The password prompt.
    t[IDD_PASSWORD] = DialogTemplate{
        IDD_PASSWORD,
        "Password",
        {247, 63},
        {
            {-1, Ctl::Static, "&User name:", {10, 15, 50, 8}},
            {1000, Ctl::Edit, "", {64, 11, 120, 14}},
            {-1, Ctl::Static, "&Password:", {10, 31, 50, 8}},
            {1004, Ctl::Edit, "", {64, 29, 120, 14}, kPassword},
            {1009, Ctl::CheckBox, "&Save password", {64, 47, 120, 10}},
            {1, Ctl::DefButton, "OK", {190, 7, 50, 14}},
            {2, Ctl::Button, "Cancel", {190, 24, 50, 14}},
        },
    };
    // The provider sheet's pages.
    t[IDD_PROVIDER_PAGE1] = DialogTemplate{
        IDD_PROVIDER_PAGE1,
        "Provider",
        {224, 109},
        {
            {-1, Ctl::Static, "&Name:", {7, 10, 25, 8}},
            {1058, Ctl::Edit, "", {48, 7, 97, 14}, kReadOnly},
            {-1, Ctl::Static, "&User name:", {7, 28, 40, 8}},
            {1000, Ctl::Edit, "", {48, 25, 97, 14}},
            {-1, Ctl::Static, "&Password:", {7, 44, 35, 8}},
            {1004, Ctl::Edit, "", {48, 42, 97, 14}, kPassword},
            {1009, Ctl::CheckBox, "&Save password", {47, 64, 120, 10}},
            {1091, Ctl::CheckBox, "Set as Default Provider", {47, 79, 102, 10}},
            {1057, Ctl::Button, "&Properties...", {167, 7, 50, 14}},
            {1080, Ctl::Button, "&Scripter...", {167, 25, 50, 14}, kHidden},
            {1054, Ctl::Button, "&Delete", {167, 88, 50, 14}},
        },
    };
    t[IDD_PROVIDER_PAGE3] = DialogTemplate{
        IDD_PROVIDER_PAGE3,
        "Dialing",
        {229, 159},
        {
            {-1, Ctl::GroupBox, "Multiple Numbers", {7, 7, 215, 106}},
            {1084, Ctl::CheckBox, "Enable Chain Dial", {14, 18, 72, 10}},
            {1085, Ctl::Edit, "", {14, 30, 95, 14}},
            {1086, Ctl::ListBox, "", {14, 44, 95, 43}},
            {1081, Ctl::Button, "&Add", {118, 30, 50, 14}},
            {1054, Ctl::Button, "&Delete", {118, 47, 50, 14}},
            {1044, Ctl::Button, "Set &Default", {119, 73, 50, 14}},
            {-1, Ctl::Static, "Default:", {14, 97, 29, 8}},
            {1089, Ctl::Static, "", {48, 97, 130, 8}},
            {-1, Ctl::GroupBox, "Redial", {7, 115, 215, 37}},
            {-1, Ctl::Static, "Number of Tries:", {13, 131, 52, 8}},
            {1087, Ctl::Edit, "", {71, 129, 24, 14}, kDigits},
            {1088, Ctl::Spin, "", {94, 129, 11, 14}},
            {-1, Ctl::Static, "Delay ( in Seconds ) :", {110, 131, 68, 8}},
            {1050, Ctl::Edit, "", {181, 129, 24, 14}, kDigits},
            {1051, Ctl::Spin, "", {205, 129, 11, 14}},
        },
    };
    // The Customize sheet's pages.
    t[IDD_CUSTOMIZE_TIMES] = DialogTemplate{
        IDD_CUSTOMIZE_TIMES,
        "Time Display",
        {204, 62},
        {
            {-1, Ctl::GroupBox, "Show", {7, 3, 190, 51}},
            {1081, Ctl::CheckBox, "Session", {19, 18, 41, 10}},
            {1076, Ctl::CheckBox, "Today", {79, 18, 36, 10}},
            {1077, Ctl::CheckBox, "Week", {135, 18, 35, 10}},
            {1078, Ctl::CheckBox, "Month", {19, 35, 36, 10}},
            {1079, Ctl::CheckBox, "Year", {79, 35, 31, 10}},
        },
    };
    t[IDD_CUSTOMIZE_GENERAL] = DialogTemplate{
        IDD_CUSTOMIZE_GENERAL,
        "General",
        {136, 39},
        {
            {1041, Ctl::CheckBox, "Run Dialtop on Start up", {9, 5, 112, 10}},
            {1042, Ctl::CheckBox, "Dial default provider on Start up", {9, 20, 112, 10}, kHidden},
        },
    };
    t[IDD_CUSTOMIZE_CONNECTION] = DialogTemplate{
        IDD_CUSTOMIZE_CONNECTION,
        "Connection",
        {186, 108},
        {
            {1038, Ctl::CheckBox, "Auto redial on dropped connection", {8, 4, 173, 10}},
            {1039, Ctl::CheckBox, "Play Sound on Connection", {8, 18, 174, 10}},
            {1040, Ctl::CheckBox, "Alarm after:", {8, 48, 51, 10}, kHidden},
            {1025, Ctl::Edit, "", {84, 45, 31, 14}, kDigits | kHidden},
            {1097, Ctl::CheckBox, "Show Connection Status Dialog", {6, 66, 116, 10}, kHidden},
        },
    };
    t[IDD_CUSTOMIZE_PAGE2] = DialogTemplate{
        IDD_CUSTOMIZE_PAGE2,
        "Favorites",
        {260, 183},
        {
            {-1, Ctl::GroupBox, "Configure Favorites Bar", {7, 7, 246, 93}},
            {1018, Ctl::ListBox, "", {12, 17, 133, 75}, kOwnerDraw},
            {1022, Ctl::IconButton, "IDI_UP", {153, 28, 22, 21}},
            {1023, Ctl::IconButton, "IDI_DOWN", {153, 61, 22, 21}},
            {1004, Ctl::Button, "&New...", {187, 26, 58, 14}},
            {1053, Ctl::Button, "&Properties...", {187, 45, 58, 14}},
            {1054, Ctl::Button, "&Delete", {187, 63, 58, 14}},
            {-1, Ctl::GroupBox, "Copy to Favorites Bar", {7, 105, 246, 69}},
            {1017, Ctl::ListBox, "", {12, 118, 133, 49}, kOwnerDraw | kMultiSelect},
            {1044, Ctl::Button, "&Copy", {187, 126, 58, 14}},
        },
    };
    return t;
}

} // namespace

const DialogTemplate& LoadDialog(unsigned id)
{
    static const std::map<unsigned, DialogTemplate> templates = buildTemplates();
    static const DialogTemplate none;
    auto it = templates.find(id);
    return it == templates.end() ? none : it->second;
}

} // namespace res
