#pragma once
// Splitting an argument string into words the way a user expects when typing
// it: blanks separate words, double or single quotes group them, and a
// backslash takes a following quote, backslash or blank literally. Any other
// backslash stays as it is, so folder names written with backslashes survive.
// No shell is involved: nothing is expanded ("~", "$X", "*" stay literal).

#include <QString>
#include <QStringList>

namespace shell {

QStringList SplitCommandLine(const QString& text);

} // namespace shell
