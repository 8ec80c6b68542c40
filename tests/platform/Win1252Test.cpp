// Typed UTF-8 text made into stored Windows-1252 bytes, and back.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/Win1252.h"

namespace varnok {
namespace {

TEST(Win1252, OnlyWellFormedUtf8BecomesStoredBytes) {
    const std::pair<const char*, std::optional<std::string>> texts[] = {
        {"plain\\name.txt", "plain\\name.txt"},
        {"caf\xC3\xA9", "caf\xE9"},          // U+00E9
        {"\xE2\x82\xAC", "\x80"},            // the euro sign, in the 0x80-0x9F block
        {"\xC1\x9C", std::nullopt},          // "\" in two bytes
        {"\xC0\x80", std::nullopt},          // NUL in two bytes
        {"\xE0\x80\xAF", std::nullopt},      // "/" in three bytes
        {"\xF0\x80\x80\xAE", std::nullopt},  // "." in four bytes
        {"\xED\xA0\x80", std::nullopt},      // a surrogate
        {"\xF4\x90\x80\x80", std::nullopt},  // beyond U+10FFFF
        {"ab\xE2\x82", std::nullopt},        // cut short
        {"\x80", std::nullopt},              // a continuation byte alone
        {"\xE4\xB8\xAD", std::nullopt},      // well formed, but not in the code page
    };
    for (const auto& [utf8, bytes] : texts) EXPECT_EQ(Utf8ToWin1252(utf8), bytes) << utf8;
}

TEST(Win1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all)), all);
}

}  // namespace
}  // namespace varnok
