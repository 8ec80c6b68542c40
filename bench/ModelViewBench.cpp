// varnok_model_view_bench: how long a 10 000-face model takes from its bytes to
// the first frame in the preview's model view, and the frame time while it
// turns. Needs a display with OpenGL (run it under xvfb-run for Mesa's).
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "formats/model/XbfFile.h"
#include "samples/SampleModels.h"
#include "shell/preview/ModelCanvas.h"
#include "shell/preview/ModelView.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    using namespace varnok;
    if (!ModelView::OpenGlAvailable()) {
        std::fprintf(stderr, "varnok_model_view_bench: no OpenGL on this display\n");
        return 1;
    }
    const auto bytes = model::WriteXbf(samples::GridModel(10000, 3));
    ModelView view;
    view.resize(800, 600);
    view.show();
    QCoreApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    view.SetModel(std::make_shared<const ModelPreview>(BuildModelPreview(bytes, {})));
    (void)view.Render();
    const double first = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    constexpr int kFrames = 200;
    ModelCanvas& canvas = *view.Canvas();
    clock.restart();
    for (int i = 0; i < kFrames; ++i) {
        canvas.SetWireframe(i % 50 == 49);
        canvas.update();
        canvas.repaint();
        QCoreApplication::processEvents();
    }
    canvas.makeCurrent();
    canvas.context()->functions()->glFinish();
    const double frame = static_cast<double>(clock.nsecsElapsed()) / 1e6 / kFrames;
    std::printf("10 000-face model, bytes to first frame: %.1f ms\n", first);
    std::printf("frame time while redrawing (800 x 600):  %.2f ms\n", frame);
    return 0;
}
