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
