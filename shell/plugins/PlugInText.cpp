#include "shell/plugins/PlugInText.h"

#include "platform/Win1252.h"

namespace varnok {

namespace {

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (length > text.size() - i) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

std::vector<std::string> SplitCommand(std::string_view command) {
    std::vector<std::string> words;
    constexpr std::string_view kBlanks = " \t";
    std::size_t start = command.find_first_not_of(kBlanks);
    while (start != std::string_view::npos) {
        const std::size_t end = command.find_first_of(kBlanks, start);
        words.emplace_back(command.substr(start, end == std::string_view::npos ? end : end - start));
        start = end == std::string_view::npos ? end : command.find_first_not_of(kBlanks, end);
    }
    return words;
}

std::string DescriptionText(std::string_view bytes) {
    return IsUtf8(bytes) ? std::string(bytes) : Win1252ToUtf8(bytes);
}

}  // namespace varnok
