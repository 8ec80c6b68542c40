#include "shell/preview/TgaImage.h"

#include <algorithm>
#include <vector>

namespace varnok {

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr int kMaxSide = 8192;  // 256 MB as 32-bit pixels

enum ImageType : std::uint8_t { kMapped = 1, kTrue = 2, kGrey = 3, kMappedRle = 9, kTrueRle = 10, kGreyRle = 11 };

unsigned U16(std::span<const std::uint8_t> b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

// One stored pixel of `bytes` bytes (BGR order, 16-bit as 5-5-5) as ARGB.
QRgb TrueColour(const std::uint8_t* p, unsigned bytes, bool alpha) {
    switch (bytes) {
        case 1: return qRgb(p[0], p[0], p[0]);
        case 2: {
            const unsigned v = p[0] | (p[1] << 8);
            const auto c = [](unsigned five) { return static_cast<int>((five << 3) | (five >> 2)); };
            return qRgb(c((v >> 10) & 31), c((v >> 5) & 31), c(v & 31));
        }
        case 3: return qRgb(p[2], p[1], p[0]);
        default: return qRgba(p[2], p[1], p[0], alpha ? p[3] : 255);
    }
}

class TgaReader {
public:
    TgaReader(std::span<const std::uint8_t> bytes, QString& why) : bytes_(bytes), why_(why) {}

    QImage Read() {
        if (bytes_.size() < kHeaderSize) return Fail(QStringLiteral("the file is shorter than a TGA header"));
        const std::uint8_t type = bytes_[2];
        const bool mapped = type == kMapped || type == kMappedRle;
        rle_ = type == kMappedRle || type == kTrueRle || type == kGreyRle;
        width_ = static_cast<int>(U16(bytes_, 12));
        height_ = static_cast<int>(U16(bytes_, 14));
        const unsigned depth = bytes_[16];
        const std::uint8_t descriptor = bytes_[17];
        if (type != kMapped && type != kTrue && type != kGrey && !rle_) {
            return Fail(QStringLiteral("TGA image type %1 is not a picture this program reads").arg(type));
        }
        if (width_ == 0 || height_ == 0 || width_ > kMaxSide || height_ > kMaxSide) {
            return Fail(
                QStringLiteral("the picture's size %1 × %2 is not one this program shows").arg(width_).arg(height_));
        }
        const bool grey = type == kGrey || type == kGreyRle;
        if ((mapped || grey) ? depth != 8 : (depth != 16 && depth != 15 && depth != 24 && depth != 32)) {
            return Fail(QStringLiteral("%1-bit pixels are not read in a TGA picture of type %2").arg(depth).arg(type));
        }
        pixelBytes_ = (depth + 7) / 8;
        alpha_ = depth == 32 && (descriptor & 0x0F) != 0;
        at_ = kHeaderSize + bytes_[0];
        if (mapped && !ReadPalette()) return {};
        if (!mapped && bytes_[1] != 0) SkipPalette();
        const std::size_t pixels = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
        // Every pixel costs a byte at least, or for run-length data a packet of
        // two bytes gives 128 at most: the size fields cannot make us allocate
        // beyond what the file can hold.
        const std::size_t available = at_ <= bytes_.size() ? bytes_.size() - at_ : 0;
        if (rle_ ? pixels / 128 > available / 2 : pixels > available / pixelBytes_) {
            return Fail(QStringLiteral("the picture's data ends early"));
        }
        QImage image(width_, height_, alpha_ ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (image.isNull()) return Fail(QStringLiteral("there is no memory for a picture this large"));
        if (!Decode(image, mapped)) return {};
        // Rows are stored from the bottom unless bit 5 says top; bit 4 flips columns.
        const bool fromTop = descriptor & 0x20;
        const bool fromRight = descriptor & 0x10;
        if (!fromTop || fromRight) image = image.mirrored(fromRight, !fromTop);
        return image;
    }

private:
    QImage Fail(const QString& why) {
        why_ = why;
        return {};
    }

    void SkipPalette() { at_ += U16(bytes_, 5) * ((bytes_[7] + 7u) / 8u); }

    bool ReadPalette() {
        const unsigned first = U16(bytes_, 3), count = U16(bytes_, 5), entry = (bytes_[7] + 7u) / 8u;
        if (bytes_[1] != 1 || entry < 2 || entry > 4) {
            Fail(QStringLiteral("the picture's colour map is missing or of an unknown kind"));
            return false;
        }
        if (at_ + static_cast<std::size_t>(count) * entry > bytes_.size()) {
            Fail(QStringLiteral("the picture's colour map ends early"));
            return false;
        }
        palette_.assign(256, qRgb(0, 0, 0));
        for (unsigned i = 0; i < count; ++i) {
            if (first + i >= palette_.size()) break;
            palette_[first + i] = TrueColour(&bytes_[at_ + i * entry], entry, entry == 4);
        }
        at_ += static_cast<std::size_t>(count) * entry;
        return true;
    }

    bool Decode(QImage& image, bool mapped) {
        const std::size_t total = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
        std::size_t done = 0;
        auto* out = reinterpret_cast<QRgb*>(image.bits());  // 32-bit rows have no padding
        while (done < total) {
            std::size_t run = total - done;
            bool repeat = false;
            if (rle_) {
                if (at_ >= bytes_.size()) return Ends();
                const std::uint8_t packet = bytes_[at_++];
                repeat = packet & 0x80;
                run = std::min<std::size_t>((packet & 0x7F) + 1u, total - done);
            }
            const std::size_t stored = repeat ? 1 : run;
            if (stored * pixelBytes_ > bytes_.size() - at_) return Ends();
            for (std::size_t i = 0; i < run; ++i) {
                const std::uint8_t* p = &bytes_[at_ + (repeat ? 0 : i * pixelBytes_)];
                out[done + i] = mapped ? palette_[p[0]] : TrueColour(p, pixelBytes_, alpha_);
            }
            at_ += stored * pixelBytes_;
            done += run;
        }
        return true;
    }

    bool Ends() {
        Fail(QStringLiteral("the picture's data ends early"));
        return false;
    }

    std::span<const std::uint8_t> bytes_;
    QString& why_;
    std::size_t at_ = 0;
    int width_ = 0, height_ = 0;
    unsigned pixelBytes_ = 0;
    bool rle_ = false, alpha_ = false;
    std::vector<QRgb> palette_;
};

}  // namespace

QImage DecodeTga(std::span<const std::uint8_t> bytes, QString& why) { return TgaReader(bytes, why).Read(); }

}  // namespace varnok
