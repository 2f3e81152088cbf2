// Theme file bytes: whatever parses must encode again, and its encoding
// must be a fixed point (a theme that was read can always be saved as read).

#include "FuzzSupport.h"
#include "theme/ThemeData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::unique_ptr<CThemeTab>> tabs;
    if (CThemeData::ParseBytes(reinterpret_cast<const char*>(data), qsizetype(size), tabs)
        != CThemeData::ParseResult::Ok)
        return 0;
    CThemeData theme;
    theme.m_tabs = std::move(tabs);
    QByteArray once, twice;
    CThemeData again;
    FUZZ_CHECK(theme.ToBytes(once) && CThemeData::ParseBytes(once, again.m_tabs) == CThemeData::ParseResult::Ok);
    FUZZ_CHECK(again.ToBytes(twice) && once == twice);
    return 0;
}
