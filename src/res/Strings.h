#pragma once
// The string table and the "%1!s!" insert formatting of the program's messages.

#include <QString>
#include <QVariant>
#include <QVariantList>

namespace res {

// The text of a string resource; an empty string when there is none.
QString LoadString(unsigned id);
bool HasString(unsigned id);

// Expands inserts: %N (N = 1..99) or %N!spec! with a printf conversion
// (s, d, i, u, x, X, c, ld, lu ...), %% for a percent sign, %n for a line break.
// An insert without an argument is left as written.
QString FormatMessageText(const QString& format, const QVariantList& args);

// LoadString, then FormatMessageText.
QString FormatString(unsigned id, const QVariantList& args);

} // namespace res
