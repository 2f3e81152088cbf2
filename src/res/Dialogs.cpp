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
