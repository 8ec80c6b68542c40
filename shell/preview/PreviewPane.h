#pragma once

#include <QThreadPool>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "engine/EntryPreview.h"
#include "shell/preview/PreviewContent.h"

class QLabel;
class QStackedWidget;

namespace varnok {

class HexView;
class ImageView;
class ModelView;
class SoundView;
class TextView;

// The preview pane: the focused entry of the list, shown without writing a file,
// by the view for its kind (text, picture, sound or hex), under a line that names
// it. Entries are read and decoded on a thread of the pane's own, one at a time;
// while one is read, only the newest of the entries asked for since waits, so
// moving quickly through the list never piles up reads, and a result that is no
// longer wanted is dropped.
class PreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* parent = nullptr);
    ~PreviewPane() override;

    // Shows the entry the reader was taken for, once it is read; a model with
    // the textures found among `textures`.
    void ShowEntry(const EntryReader& reader, std::vector<EntryReader> textures = {});
    // Shows nothing; a read still running is dropped.
    void Clear();

    PreviewKind Kind() const noexcept { return kind_; }
    // True while a read runs or waits.
    bool IsLoading() const noexcept { return running_ || waiting_.has_value(); }
    QString Details() const;
    QString Message() const;
    const SoundView& Sound() const noexcept { return *sound_; }
    const ImageView& Image() const noexcept { return *image_; }
    ModelView& Model() const noexcept { return *model_; }
    QString ShownText() const;

signals:
    // A preview was put on screen (for tests and the status of the window).
    void shown();

private:
    void StartWaiting();
    void Finished(std::uint64_t request, PreviewContent content);
    void Present(PreviewContent content);

    QLabel* details_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QLabel* message_ = nullptr;
    TextView* text_ = nullptr;
    ImageView* image_ = nullptr;
    SoundView* sound_ = nullptr;
    HexView* hex_ = nullptr;
    ModelView* model_ = nullptr;
    PreviewKind kind_ = PreviewKind::None;

    QThreadPool pool_;
    std::uint64_t request_ = 0;  // the newest request; older results are dropped
    bool running_ = false;
    struct Request {
        std::uint64_t number;
        EntryReader reader;
        std::vector<EntryReader> textures;
    };
    std::optional<Request> waiting_;
};

}  // namespace varnok
