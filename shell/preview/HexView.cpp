#include "shell/preview/HexView.h"

#include <QFontDatabase>
#include <algorithm>
#include <cstdio>
#include <string>

namespace varnok {

namespace {
constexpr std::size_t kBytesPerLine = 16;
}

QString HexDump(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve((bytes.size() / kBytesPerLine + 1) * 80);
    for (std::size_t line = 0; line < bytes.size(); line += kBytesPerLine) {
        char offset[24];
        std::snprintf(offset, sizeof offset, "%08zX  ", line);
        out += offset;
        const std::size_t end = std::min(bytes.size(), line + kBytesPerLine);
        for (std::size_t i = line; i < line + kBytesPerLine; ++i) {
            if (i < end) {
                out += digits[bytes[i] >> 4];
                out += digits[bytes[i] & 0xF];
                out += ' ';
            } else {
                out += "   ";
            }
        }
        out += ' ';
        for (std::size_t i = line; i < end; ++i) out += bytes[i] >= 0x20 && bytes[i] < 0x7F ? char(bytes[i]) : '.';
        out += '\n';
    }
    if (!out.empty()) out.pop_back();
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

HexView::HexView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

}  // namespace varnok
