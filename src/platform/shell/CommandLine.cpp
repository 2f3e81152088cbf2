#include "platform/shell/CommandLine.h"

namespace shell {

QStringList SplitCommandLine(const QString& text)
{
    QStringList words;
    QString word;
    bool inWord = false; // "" is still a word
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size()) {
            const QChar n = text.at(i + 1);
            const bool escapable = n == u'\\' || n == quote || (quote.isNull() && (n == u'"' || n == u'\'' || n.isSpace()));
            if (escapable) {
                word += n;
                inWord = true;
                ++i;
                continue;
            }
        }
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                word += c;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
}

} // namespace shell
