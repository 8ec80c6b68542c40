// varnok extract --models and varnok test on an archive of models and textures.
#include <gtest/gtest.h>

#include "formats/model/XbfFile.h"
#include "samples/SampleModels.h"
#include "tests/cli/CliSupport.h"

namespace varnok::test {
namespace {
constexpr auto npos = std::string::npos;

class CliModelTest : public CliFixture {
protected:
    void SetUp() override {
        std::vector<TestEntry> entries = {{"readme.txt", ToBytes("models inside")}};
        for (const auto& file : samples::SampleModels()) entries.push_back({"DATA\\MODEL\\" + file.name, file.bytes});
        // Textures in another folder, under names of another letter case.
        for (const auto& file : samples::SampleTextures()) entries.push_back({"ART\\" + file.name, file.bytes});
        BuildRfh(dir_ / "units.rfh", entries);
    }
};

TEST_F(CliModelTest, ModelsConvertToTheNamedFormatWithTheirTexturesAndOtherEntriesStayRaw) {
    const struct {
        const char* format;
        std::vector<std::string> files;
    } cases[] = {
        {"glb", {"readme.txt", "tank.glb"}},
        {"gltf", {"Tank_Turret.png", "readme.txt", "tank.bin", "tank.gltf", "tank_body.png"}},
        {"obj", {"Tank_Turret.png", "readme.txt", "tank.mtl", "tank.obj", "tank_body.png"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const CliResult r =
            Run({"extract", "units.rfh", "1", "data/model/TANK.XBF", "--models", c.format, "-o", c.format});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(dir_.listing(c.format), c.files);
    }
    EXPECT_EQ(ReadBytes(dir_ / "glb" / "readme.txt"), ToBytes("models inside"));
    // Without --models, a model leaves as stored.
    const CliResult raw = Run({"extract", "units.rfh", "data/model/tank.xbf", "-o", "raw"});
    EXPECT_EQ(raw.exitCode, 0) << raw.err;
    EXPECT_EQ(ReadBytes(dir_ / "raw" / "tank.xbf"), samples::SampleModels().front().bytes);
}

TEST_F(CliModelTest, AnUnknownFormatIsAUsageError) {
    const auto before = dir_.listing();
    const CliResult r = Run({"extract", "units.rfh", "--models", "fbx"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--models takes glb, gltf or obj, not \"fbx\""), npos) << r.err;
    EXPECT_EQ(dir_.listing(), before);
}

TEST_F(CliModelTest, DamagedModelsAreReportedByTestAndNotConverted) {
    auto tank = model::WriteXbf(samples::SampleScene("tank.xbf"));
    tank.resize(tank.size() - 100);
    BuildRfh(dir_ / "broken.rfh", {{"good.xbf", samples::SampleModels()[1].bytes}, {"UNITS\\tank.xbf", tank}});

    const CliResult test = Run({"test", "broken.rfh"});
    EXPECT_EQ(test.exitCode, 1);
    EXPECT_NE(test.err.find("entry 2 (UNITS\\tank.xbf): The model is damaged at offset"), npos) << test.err;
    EXPECT_EQ(test.err.find("good.xbf"), npos) << test.err;

    const CliResult extract = Run({"extract", "broken.rfh", "--models", "glb", "-o", "out"});
    EXPECT_EQ(extract.exitCode, 1);
    EXPECT_NE(extract.err.find("tank.xbf: The model is damaged"), npos) << extract.err;
    EXPECT_EQ(dir_.listing("out"), std::vector<std::string>{"good.glb"});
}

}  // namespace
}  // namespace varnok::test
