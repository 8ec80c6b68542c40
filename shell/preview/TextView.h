#pragma once

#include <QPlainTextEdit>
#include <cstdint>
#include <span>

namespace varnok {

// Names the game keeps text in: settings, notes and scripts.
bool IsTextName(const QString& extension);
// True when the bytes hold no control bytes but tab, CR and LF, nor the five
// bytes Windows-1252 leaves undefined: text a user can read. Empty is not text.
bool IsPlainText(std::span<const std::uint8_t> bytes);
// Text with a stray control byte or two, as hand-edited settings files hold (an
// end-of-file mark, a form feed): no NUL, and control bytes other than tab, CR and
// LF one in 32 at most (one in any text). What a text name shows as text; other
// bytes show as hex.
bool IsMostlyText(std::span<const std::uint8_t> bytes);
// Windows-1252 text, as the game's files are written.
QString DecodeText(std::span<const std::uint8_t> bytes);

// Shows an entry's text, read-only.
class TextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextView(QWidget* parent = nullptr);
};

}  // namespace varnok
