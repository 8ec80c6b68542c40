#include "shell/preview/TextView.h"

#include <algorithm>
#include <array>

#include "platform/Win1252.h"

namespace varnok {

bool IsTextName(const QString& extension) {
    static const std::array<const char*, 12> names = {"ini",  "txt", "cfg", "log", "xml", "htm",
                                                      "html", "bat", "lua", "csv", "def", "inf"};
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return extension == QLatin1String(n); });
}

bool IsPlainText(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return false;
    return std::none_of(bytes.begin(), bytes.end(), [](std::uint8_t b) {
        const bool control = b < 0x20 && b != '\t' && b != '\r' && b != '\n';
        const bool undefined = b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        return control || undefined;
    });
}

bool IsMostlyText(std::span<const std::uint8_t> bytes) {
    std::size_t control = 0;
    for (const std::uint8_t b : bytes) {
        if (b == 0) return false;
        if (b < 0x20 && b != '\t' && b != '\r' && b != '\n') ++control;
    }
    return control <= std::max<std::size_t>(1, bytes.size() / 32);
}

QString DecodeText(std::span<const std::uint8_t> bytes) {
    const std::string utf8 = Win1252ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return QString::fromStdString(utf8);
}

TextView::TextView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

}  // namespace varnok
