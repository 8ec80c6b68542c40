// The model view drawn by OpenGL, run on a display that has it (under xvfb-run):
// the model shows where it stands, in its texture's colours, and the controls
// change the picture.
#include <gtest/gtest.h>

#include <strings.h>
#include <QApplication>
#include <QTest>

#include "formats/model/XbfFile.h"
#include "samples/SampleModels.h"
#include "shell/preview/ModelCanvas.h"
#include "shell/preview/ModelView.h"

namespace varnok::test {
namespace {

std::vector<EntryReader> NoPictures() { return {}; }

// The demo model with its textures decoded as the pane decodes them.
std::shared_ptr<const ModelPreview> Preview(const std::string& name, bool withTextures) {
    model::ModelScene scene = samples::SampleScene(name);
    ModelPreview preview = BuildModelPreview(model::WriteXbf(scene), NoPictures());
    if (withTextures) {
        // The batches name texture slots in the order of the scene's names.
        for (const std::string& texture : scene.textures) {
            for (const auto& file : samples::SampleTextures()) {
                if (strcasecmp(file.name.c_str(), texture.c_str()) != 0) continue;
                model::Picture picture = model::DecodeTga(file.bytes);
                model::KeyOutMagenta(picture);
                preview.textures.push_back(std::move(picture));
            }
        }
        for (ModelBatch& batch : preview.batches) batch.texture = 0;  // the body's checker everywhere
    }
    return std::make_shared<const ModelPreview>(std::move(preview));
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// How many pixels differ from the background (the corner's colour), and how many
// look like the body texture's yellow: red and green well above blue.
struct Census {
    int model = 0, yellow = 0;
};

Census Count(const QImage& image) {
    Census c;
    const QRgb background = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (!Near(p, background, 6)) ++c.model;
            if (qRed(p) > qBlue(p) + 50 && qGreen(p) > qBlue(p) + 30) ++c.yellow;
        }
    }
    return c;
}

class ModelViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ModelView::OpenGlAvailable()) {
            // Under xvfb-run, Mesa always draws: there, no context is a failure.
            if (qEnvironmentVariableIsSet("VARNOK_REQUIRE_OPENGL")) FAIL() << "no OpenGL context under Xvfb";
            GTEST_SKIP() << "no OpenGL on this display";
        }
        view.resize(320, 320);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    QImage Draw() {
        QCoreApplication::processEvents();
        return view.Render();
    }
    ModelView view;
};

TEST_F(ModelViewTest, TheModelIsDrawnInItsTexturesColoursAndFramedToFit) {
    view.SetModel(Preview("tank.xbf", true));
    const QImage image = Draw();
    ASSERT_FALSE(image.isNull());
    if (const QString keep = qEnvironmentVariable("VARNOK_MODEL_VIEW_IMAGE"); !keep.isEmpty()) image.save(keep);
    const Census census = Count(image);
    const int pixels = image.width() * image.height();
    EXPECT_GT(census.model, pixels / 10) << "the model is hardly there";
    EXPECT_LT(census.model, pixels * 9 / 10) << "the model is not framed to fit";
    EXPECT_GT(census.yellow, census.model / 4) << "the texture's colour is missing";
    // The centre of the picture is the model's centre: something is drawn there.
    EXPECT_FALSE(Near(image.pixel(image.width() / 2, image.height() / 2), image.pixel(0, 0), 6));
}

TEST_F(ModelViewTest, WithoutTexturesTheModelIsGreyAndTheControlsChangeThePicture) {
    view.SetModel(Preview("tank.xbf", false));
    const QImage plain = Draw();
    const Census census = Count(plain);
    EXPECT_GT(census.model, 0);
    EXPECT_EQ(census.yellow, 0);

    ModelCanvas& canvas = *view.Canvas();
    canvas.SetWireframe(true);
    const QImage wire = Draw();
    EXPECT_NE(wire, plain);
    canvas.SetWireframe(false);

    QTest::mousePress(&canvas, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(&canvas, QPoint(180, 110));
    QMouseEvent drag(QEvent::MouseMove, QPointF(180, 110), QPointF(180, 110), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&canvas, &drag);
    EXPECT_NE(Draw(), plain) << "dragging did not turn the model";

    QWheelEvent wheel(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, -480), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&canvas, &wheel);
    EXPECT_GT(canvas.Distance(), 1.f);
    EXPECT_LT(Count(Draw()).model, census.model) << "zooming out did not shrink the model";

    QTest::keyClick(&canvas, Qt::Key_R);
    EXPECT_EQ(Draw(), plain) << "R did not reset the view";
}

}  // namespace
}  // namespace varnok::test
