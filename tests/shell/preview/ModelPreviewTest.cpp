// Model entries in the preview pane: the facts, the textures found among the
// archive's pictures, damaged models, and the view without OpenGL.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/model/XbfFile.h"
#include "samples/SampleModels.h"
#include "shell/preview/ModelView.h"
#include "shell/preview/PreviewPane.h"
#include "tests/engine/ScriptedUi.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Sample(const std::string& name) {
    for (const auto& file : samples::SampleModels()) {
        if (file.name == name) return file.bytes;
    }
    return {};
}

class ModelPreviewTest : public ::testing::Test {
protected:
    ModelPreviewTest() { engine.InitEngine(); }

    // An archive of the demo models and textures, each textures in its own folder.
    void OpenSamples(const std::vector<std::pair<std::string, Bytes>>& extra = {}) {
        std::vector<std::pair<std::string, Bytes>> files;
        for (const auto& file : samples::SampleModels()) files.emplace_back("MODELS\\" + file.name, file.bytes);
        for (const auto& file : samples::SampleTextures()) files.emplace_back("ART\\PICS\\" + file.name, file.bytes);
        files.insert(files.end(), extra.begin(), extra.end());
        const fs::path index = dir / "Units.rfh";
        cRFH table;
        cRFD data;
        data.RFDOpen(DataFilePath(index.string()));
        for (std::size_t i = 0; i < files.size(); ++i) {
            const fs::path source = dir.write("src" + std::to_string(i), files[i].second);
            const auto slash = files[i].first.rfind('\\');
            table.RFHAddFile(source, files[i].first.substr(slash + 1),
                             data.RFDAddFile(table.RFHNextOffSet(), source, true));
            table.SetFilePath(table.GetFileCount(), files[i].first.substr(0, slash + 1));
        }
        table.RFHSave(index);
        engine.OpenArchive(index.string());
    }

    std::int32_t EntryNamed(const std::string& name) {
        for (std::int32_t n = 1; n <= engine.FileCount(); ++n) {
            if (engine.Index().GetFileName(n) == name) return n;
        }
        ADD_FAILURE() << "no entry " << name;
        return 1;
    }

    std::vector<EntryReader> Pictures() {
        std::vector<EntryReader> out;
        for (std::int32_t n = 1; n <= engine.FileCount(); ++n) {
            if (engine.Index().GetFileName(n).ends_with(".tga")) out.push_back(EntryReader::Take(engine, n));
        }
        return out;
    }

    void Show(const std::string& name) {
        pane.ShowEntry(EntryReader::Take(engine, EntryNamed(name)), Pictures());
        QElapsedTimer clock;
        clock.start();
        while (pane.IsLoading() && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_FALSE(pane.IsLoading());
    }

    TempDir dir;
    ScriptedUi ui;
    mVarnokEngine engine{ui};
    PreviewPane pane;
};

TEST_F(ModelPreviewTest, FactsCountTheModelAndNameItsTexturesAndClips) {
    Bytes broken = Sample("prelit.xbf");
    broken.resize(broken.size() - 9);
    OpenSamples({{"broken.xbf", broken}});
    const struct {
        const char* model;
        const char* facts;
    } cases[] = {
        // Body, turret, barrel, muzzle point and selection box; the model spells
        // its textures in another letter case than the archive.
        {"tank.xbf", "5 nodes, 120 vertices, 60 faces; textures: 2 found; clips: Idle 0\u201310, Fire 11\u201325"},
        {"crate.xbf", "1 nodes, 24 vertices, 12 faces; textures: 0 found, 1 missing (lost_crate.tga)"},
        {"radar.xbf", "5 nodes, 120 vertices, 60 faces; textures: 1 found; clips: Turn 0\u20133"},
        {"prelit.xbf", "1 nodes, 24 vertices, 12 faces; textures: 0 found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        Show(c.model);
        ASSERT_EQ(pane.Kind(), PreviewKind::Model);
        EXPECT_EQ(pane.Model().Facts(), QString::fromUtf8(c.facts));
        EXPECT_EQ(pane.ShownText(), QString::fromUtf8(c.facts));
    }
    Show("broken.xbf");
    EXPECT_EQ(pane.Kind(), PreviewKind::Hex);
    EXPECT_TRUE(pane.Details().contains(QStringLiteral("Not shown as a model: The model is damaged at offset 0x")))
        << pane.Details().toStdString();
}

TEST_F(ModelPreviewTest, WithoutOpenGlThePaneSaysSoAndKeepsTheFacts) {
    OpenSamples();
    Show("tank.xbf");
    ASSERT_EQ(pane.Kind(), PreviewKind::Model);
    EXPECT_FALSE(pane.Model().Facts().isEmpty());
    if (ModelView::OpenGlAvailable()) {
        EXPECT_TRUE(pane.Model().Notice().isEmpty());
    } else {
        EXPECT_TRUE(pane.Model().Notice().contains(QStringLiteral("no OpenGL context")));
        EXPECT_TRUE(pane.Model().Render().isNull());
    }
}

TEST(ModelPreview, StaticPoseBatchesHideHelpersAndSplitByTexture) {
    const ModelPreview tank = BuildModelPreview(Sample("tank.xbf"), {});
    // No textures given: every face in the neutral batch; the muzzle point and
    // selection box (12 faces each) are not drawn.
    ASSERT_EQ(tank.batches.size(), 1u);
    EXPECT_EQ(tank.batches[0].texture, -1);
    EXPECT_EQ(tank.batches[0].vertices.size(), 36u * 3 * ModelBatch::kFloatsPerVertex);
    EXPECT_EQ(tank.missing, (std::vector<std::string>{"tank_body.tga", "Tank_Turret.TGA"}));
    // The box: the body from z 0 up, the turret's top at 1.25 + 0.25.
    EXPECT_NEAR(tank.size[2], 1.5, 1e-5);
    EXPECT_NEAR(tank.center[2], 0.75, 1e-5);
}

}  // namespace
}  // namespace varnok::test
