// Model entries on extraction: the question, its "to all" answers, the converted
// files, and Export Model.
#include <gtest/gtest.h>

#include "samples/SampleModels.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

class ModelExtractionTest : public EngineTest {
protected:
    void SetUp() override {
        std::vector<StoredFile> files;
        for (const auto& file : samples::SampleModels())
            files.push_back({"UNITS\\" + file.name, {file.bytes.begin(), file.bytes.end()}});
        for (const auto& file : samples::SampleTextures())
            files.push_back({"ART\\" + file.name, {file.bytes.begin(), file.bytes.end()}});
        files.push_back({"readme.txt", "hi"});
        Open(MakeRfh("Units.rfh", files));
    }
};

TEST_F(ModelExtractionTest, TheQuestionIsAskedPerModelUntilAToAllAnswer) {
    const struct {
        std::vector<ConvertAnswer> answers;
        std::size_t questions;
        std::set<std::string> modelFiles;  // what the first three models left
    } cases[] = {
        {{ConvertAnswer::YesToAll}, 1, {"tank.glb", "prelit.glb", "smooth.glb"}},
        {{ConvertAnswer::NoToAll}, 1, {"tank.xbf", "prelit.xbf", "smooth.xbf"}},
        {{ConvertAnswer::Yes, ConvertAnswer::No, ConvertAnswer::NoToAll}, 3, {"tank.glb", "prelit.xbf", "smooth.xbf"}},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(run);
        const fs::path out = dir / ("out" + std::to_string(run++));
        ui.convertQuestions.clear();
        ui.convertAnswers = {c.answers.begin(), c.answers.end()};
        engine.ExtractEntries({1, 2, 3, 12}, out.string(), false, false, false);
        ASSERT_EQ(ui.convertQuestions.size(), c.questions);
        EXPECT_EQ(ui.convertQuestions[0].text, "Convert models to glTF?");
        std::set<std::string> expected = c.modelFiles;
        expected.insert("readme.txt");
        EXPECT_EQ(FilesBelow(out), expected);
    }
}

TEST_F(ModelExtractionTest, ExportModelWritesTheChosenFormatWithTexturesFromTheArchive) {
    ui.saveResults = {(dir / "picked" / "Tank.obj").string()};
    fs::create_directories(dir / "picked");
    engine.ExportModel(1);
    ASSERT_EQ(ui.saveDialogs.size(), 1u);
    EXPECT_TRUE(ui.saveDialogs[0].starts_with("tank.glb glTF binary (*.glb)|*.glb|")) << ui.saveDialogs[0];
    EXPECT_EQ(FilesBelow(dir / "picked"),
              (std::set<std::string>{"Tank.mtl", "Tank.obj", "Tank_Turret.png", "tank_body.png"}));

    ui.saveResults = {(dir / "picked" / "tank.fbx").string()};
    engine.ExportModel(1);
    EXPECT_TRUE(Said("does not end in .glb, .gltf or .obj")) << "an unknown extension was not refused";
    EXPECT_FALSE(fs::exists(dir / "picked" / "tank.fbx"));
}

}  // namespace
}  // namespace varnok::test
