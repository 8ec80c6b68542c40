#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/EntryPreview.h"
#include "shell/preview/ModelPreview.h"
#include "shell/preview/SoundClip.h"

namespace varnok {

enum class PreviewKind { None, Text, Image, Sound, Hex, Damaged, Model };

// How much of an entry the pane reads and shows.
inline constexpr std::uint64_t kPreviewWholeLimit = 64ull << 20;  // larger entries: details and hex only
inline constexpr std::uint64_t kPreviewTextLimit = 1ull << 20;
inline constexpr std::uint64_t kPreviewHexLimit = 64ull << 10;

// What the pane shows of one entry, made ready off the UI thread: the text
// decoded, the image decoded, the sound's samples laid out for the audio device.
struct PreviewContent {
    PreviewKind kind = PreviewKind::None;
    QString details;  // the entry's name and size, and what the view shows of it
    QString text;     // Text: the decoded text; Hex: the dump; Damaged: the reason
    QImage image;
    SoundClip sound;
    std::shared_ptr<const ModelPreview> model;
};

// Reads the entry and turns it into what its view shows. Safe on any thread;
// never throws (a failure becomes a Damaged preview). A model's textures are
// looked up among `textures`, the archive's picture entries.
PreviewContent BuildPreview(const EntryReader& reader, const std::vector<EntryReader>& textures = {});

// How many bytes a preview of the entry reads: all of a picture or a sound, the
// first megabyte of anything else (text, or hex), the first 64 KB of an entry too
// large to show.
std::uint64_t PreviewReadLimit(const EntryReader& reader);

}  // namespace varnok
