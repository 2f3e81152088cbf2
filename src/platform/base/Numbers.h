#pragma once
// Numbers read the way the C library's atoi reads them: leading blanks, an
// optional sign, then decimal digits up to the first other character; no
// digits give 0. Stored files and other programs' texts are read this way, so
// the value saturates at the caller's bounds instead of overflowing.

#include <QStringView>

#include <algorithm>
#include <cstdint>

namespace base {

struct LeadingNumber
{
    std::int64_t value = 0;
    bool bDigits = false; // at least one digit was read
};

inline LeadingNumber ParseLeadingInteger(QStringView text, std::int64_t lo, std::int64_t hi, bool bSign = true)
{
    constexpr std::int64_t kCap = 1'000'000'000'000'000; // far past any bound, far from overflow
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
        ++i;
    bool negative = false;
    if (bSign && i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    LeadingNumber out;
    std::int64_t n = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        n = std::min(n * 10 + (text[i].unicode() - u'0'), kCap);
        out.bDigits = true;
    }
    out.value = std::clamp(negative ? -n : n, lo, hi);
    return out;
}

} // namespace base
