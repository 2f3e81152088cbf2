#pragma once
// Starting an item. Before starting, an item marked "dial first" has the
// default provider dialled when no connection is up; the dial-up subsystem
// supplies that step through these hooks.

#include <QString>
#include <functional>

class QWidget;

struct DialFirstHooks
{
    std::function<bool()> isConnected;       // a connection is up
    std::function<QString()> defaultEntry;    // the default provider, empty when none
    // Dials the provider modally with the owner; false when cancelled or failed.
    std::function<bool(const QString& entry, QWidget* owner)> connect;

    bool IsInstalled() const { return isConnected && defaultEntry && connect; }
};

// Installs the dial-up steps (the dial-up subsystem does at start-up);
// returns the hooks replaced. Until they are installed, "dial first" items
// start without dialling.
DialFirstHooks SetDialFirstHooks(DialFirstHooks hooks);
