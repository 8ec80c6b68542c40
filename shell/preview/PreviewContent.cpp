#include "shell/preview/PreviewContent.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <exception>

#include "engine/SizeText.h"
#include "formats/FormatError.h"
#include "shell/preview/HexView.h"
#include "shell/preview/TextView.h"
#include "shell/preview/TgaImage.h"

namespace varnok {

namespace {

QString Extension(const std::string& name) {
    const QString text = QString::fromStdString(name);
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = std::max(text.lastIndexOf(QLatin1Char('\\')), text.lastIndexOf(QLatin1Char('/')));
    return dot > slash ? text.mid(dot + 1).toLower() : QString();
}

bool SameBytes(std::string_view text, std::span<const std::uint8_t> bytes) {
    return text.size() == bytes.size() &&
           std::equal(text.begin(), text.end(), bytes.begin(),
                      [](char t, std::uint8_t b) { return static_cast<std::uint8_t>(t) == b; });
}

bool IsSoundName(const QString& extension) {
    return extension == QLatin1String("wav") || extension == QLatin1String("mp3");
}

// The image format the name says, or the one the first bytes show for the
// formats that mark themselves (a TGA file has no signature).
QByteArray ImageFormat(const QString& extension, std::span<const std::uint8_t> bytes) {
    static const std::array<std::pair<const char*, const char*>, 5> byName = {
        {{"tga", "tga"}, {"bmp", "bmp"}, {"png", "png"}, {"jpg", "jpg"}, {"jpeg", "jpg"}}};
    for (const auto& [ext, format] : byName) {
        if (extension == QLatin1String(ext)) return format;
    }
    const auto starts = [&bytes](std::string_view magic) {
        return bytes.size() >= magic.size() && SameBytes(magic, bytes.first(magic.size()));
    };
    if (starts("\x89PNG\r\n\x1a\n")) return "png";
    if (starts("\xFF\xD8\xFF")) return "jpg";
    if (starts("BM") && bytes.size() > 54) return "bmp";
    return {};
}

// Qt's TGA reader takes only files that end in the TGA 2.0 footer.
bool HasTga2Footer(const Bytes& bytes) {
    constexpr std::string_view footer("TRUEVISION-XFILE.\0", 18);
    return bytes.size() >= footer.size() + 8 && SameBytes(footer, std::span(bytes).last(footer.size()));
}

QImage DecodeImage(const Bytes& bytes, const QByteArray& format, QString& why) {
    if (format == "tga" && !HasTga2Footer(bytes)) return DecodeTga(bytes, why);
    QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    QImage image = reader.read();
    if (image.isNull()) why = reader.errorString();
    return image;
}

QString SizeText(std::uint64_t size) {
    return QStringLiteral("%1 (%L2 bytes)")
        .arg(QString::fromStdString(FormatSize(static_cast<std::int64_t>(size))))
        .arg(static_cast<qulonglong>(size));
}

void ShowHex(PreviewContent& content, const Bytes& bytes, const QString& note) {
    content.kind = PreviewKind::Hex;
    const auto shown = std::min<std::size_t>(bytes.size(), kPreviewHexLimit);
    content.text = HexDump(std::span(bytes.data(), shown));
    if (!note.isEmpty()) content.details += QStringLiteral("\n") + note;
}

// A model; a damaged one in hex, with where it is damaged.
void ShowModel(PreviewContent& content, const EntryPreview& read, const std::vector<EntryReader>& textures) {
    try {
        content.model = std::make_shared<const ModelPreview>(BuildModelPreview(read.bytes, textures));
        content.kind = PreviewKind::Model;
    } catch (const FormatError& e) {
        ShowHex(content, read.bytes, QStringLiteral("Not shown as a model: %1").arg(QString::fromStdString(e.what())));
    }
}

// Picks the view for the bytes of a readable entry and fills it.
void Fill(PreviewContent& content, const EntryReader& reader, const EntryPreview& read,
          const std::vector<EntryReader>& textures) {
    const QString extension = Extension(reader.ContentName());
    if (!read.complete && reader.Size() > kPreviewWholeLimit) {
        ShowHex(content, read.bytes, QStringLiteral("Over 64 MB: only the first 64 KB are shown, in hex."));
        return;
    }
    if (extension == QLatin1String("xbf") && read.complete) return ShowModel(content, read, textures);
    if (IsSoundName(extension) && read.complete) {
        try {
            content.sound = extension == QLatin1String("mp3")
                                ? Mp3Clip(read.bytes, reader.ListName())
                                : WaveClip(read.bytes, reader.ListName(), reader.DecodedFromAdpcm());
            content.kind = PreviewKind::Sound;
            content.details += QStringLiteral("\n") + content.sound.description;
        } catch (const std::exception& e) {
            ShowHex(content, read.bytes, QStringLiteral("Not playable: %1").arg(QString::fromStdString(e.what())));
        }
        return;
    }
    if (const QByteArray format = ImageFormat(extension, read.bytes); !format.isEmpty() && read.complete) {
        QString why;
        content.image = DecodeImage(read.bytes, format, why);
        if (content.image.isNull()) {
            ShowHex(content, read.bytes, QStringLiteral("Not shown as a picture: %1").arg(why));
            return;
        }
        content.kind = PreviewKind::Image;
        content.details += QStringLiteral("\n%1 × %2 pixels").arg(content.image.width()).arg(content.image.height());
        return;
    }
    const auto textPart = std::span(read.bytes.data(), std::min<std::size_t>(read.bytes.size(), kPreviewTextLimit));
    if (IsPlainText(textPart) || (IsTextName(extension) && IsMostlyText(textPart))) {
        content.kind = PreviewKind::Text;
        content.text = DecodeText(textPart);
        if (reader.Size() > kPreviewTextLimit) content.details += QStringLiteral("\nThe first 1 MB is shown.");
        return;
    }
    ShowHex(content, read.bytes,
            read.bytes.size() > kPreviewHexLimit ? QStringLiteral("The first 64 KB are shown.") : QString());
}

}  // namespace

std::uint64_t PreviewReadLimit(const EntryReader& reader) {
    if (reader.Size() > kPreviewWholeLimit) return kPreviewHexLimit;
    const QString extension = Extension(reader.ContentName());
    if (IsSoundName(extension) || extension == QLatin1String("xbf") || !ImageFormat(extension, {}).isEmpty()) {
        return kPreviewWholeLimit;
    }
    return kPreviewTextLimit;
}

PreviewContent BuildPreview(const EntryReader& reader, const std::vector<EntryReader>& textures) {
    PreviewContent content;
    content.details = QString::fromStdString(reader.ListName()) + QStringLiteral(" — ") + SizeText(reader.Size());
    try {
        const EntryPreview read = reader.Read(PreviewReadLimit(reader));
        if (!read.error.empty()) {
            content.kind = PreviewKind::Damaged;
            content.text = QStringLiteral("This entry cannot be shown: %1").arg(QString::fromStdString(read.error));
            return content;
        }
        Fill(content, reader, read, textures);
    } catch (const std::exception& e) {
        // Out of memory, or a decoder's failure nobody foresaw: the pane says so.
        content = PreviewContent{PreviewKind::Damaged,
                                 content.details,
                                 QStringLiteral("This entry cannot be shown: %1").arg(QString::fromStdString(e.what())),
                                 {},
                                 {},
                                 {}};
    }
    return content;
}

}  // namespace varnok
