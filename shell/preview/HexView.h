#pragma once

#include <QPlainTextEdit>
#include <cstdint>
#include <span>

namespace varnok {

// Lines of an offset, 16 bytes in hex and the same bytes as ASCII (a dot for
// anything else): "00000010  47 41 42 41 ...  GABA....".
QString HexDump(std::span<const std::uint8_t> bytes);

// Shows a hex dump in a fixed-pitch font, read-only.
class HexView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit HexView(QWidget* parent = nullptr);
};

}  // namespace varnok
