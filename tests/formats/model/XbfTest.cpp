#include <gtest/gtest.h>

#include <functional>

#include "formats/model/ScenePose.h"
#include "formats/model/XbfFile.h"
#include "samples/SampleModels.h"
#include "tests/formats/Failure.h"

namespace varnok::model {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::FailureOf;

const ModelNode* FindNode(const std::vector<ModelNode>& nodes, const std::string& name) {
    for (const ModelNode& node : nodes) {
        if (node.name == name) return &node;
        if (const ModelNode* found = FindNode(node.children, name)) return found;
    }
    return nullptr;
}

ModelScene ReadSample(const std::string& name) {
    for (const auto& file : samples::SampleModels()) {
        if (file.name == name) return ReadXbf(file.bytes);
    }
    throw std::invalid_argument(name);
}

struct FeatureCase {
    const char* model;
    const char* what;
    std::function<void(const ModelScene&)> check;
};

TEST(XbfReader, EveryNodeFeatureParses) {
    const FeatureCase cases[] = {
        {"tank.xbf", "texture names split at 00 02 and 00 00, clips from the effect data",
         [](const ModelScene& s) {
             EXPECT_EQ(s.textures, (std::vector<std::string>{"tank_body.tga", "Tank_Turret.TGA"}));
             ASSERT_EQ(s.clips.size(), 2u);
             EXPECT_EQ(s.clips[1].name, "Fire");
             EXPECT_EQ(s.clips[1].first, 11u);
             EXPECT_EQ(s.clips[1].last, 25u);
         }},
        {"tank.xbf", "the child tree, names, transforms and faces",
         [](const ModelScene& s) {
             ASSERT_EQ(s.nodes.size(), 1u);
             const ModelNode& body = s.nodes[0];
             EXPECT_EQ(body.name, "Body");
             ASSERT_EQ(body.children.size(), 2u);
             const ModelNode& turret = body.children[0];
             EXPECT_EQ(turret.name, "Turret");
             EXPECT_DOUBLE_EQ(turret.transform[12], 0.5);
             EXPECT_DOUBLE_EQ(turret.transform[14], 0.75);
             EXPECT_NEAR(turret.transform[1], 1.0, 1e-12);  // column 0 holds the turned x axis
             EXPECT_EQ(turret.vertices.size(), 24u);
             EXPECT_EQ(turret.faces.size(), 12u);
             EXPECT_EQ(turret.faces[0].texture, 1);
             EXPECT_EQ(turret.faces[0].vertices, (std::array<std::int32_t, 3>{0, 1, 2}));
             EXPECT_FLOAT_EQ(turret.faces[1].uv[2][1], 1.0f);
             EXPECT_NE(FindNode(s.nodes, "#^^0"), nullptr);
         }},
        {"prelit.xbf", "a colour per vertex",
         [](const ModelScene& s) {
             const ModelNode& rock = s.nodes.at(0);
             ASSERT_EQ(rock.prelight.size(), rock.vertices.size());
             EXPECT_EQ(rock.prelight[1], (std::array<std::uint8_t, 3>{48, 90, 194}));
             EXPECT_TRUE(s.textures.empty());
         }},
        {"smooth.xbf", "a smoothing group per face",
         [](const ModelScene& s) {
             const ModelNode& column = s.nodes.at(0);
             ASSERT_EQ(column.smoothing.size(), column.faces.size());
             EXPECT_EQ(column.smoothing.front(), 1);
             EXPECT_EQ(column.smoothing.back(), 0);
         }},
        {"radar.xbf", "the four key forms",
         [](const ModelScene& s) {
             const std::pair<const char*, std::int32_t> forms[] = {
                 {"Dish1", -1}, {"Dish2", -2}, {"Dish3", -3}, {"Dish4", 2}};
             for (const auto& [name, form] : forms) {
                 const ModelNode* dish = FindNode(s.nodes, name);
                 ASSERT_NE(dish, nullptr);
                 ASSERT_TRUE(dish->keyAnimation);
                 EXPECT_EQ(dish->keyAnimation->form, form) << name;
             }
             EXPECT_EQ(FindNode(s.nodes, "Dish1")->keyAnimation->matrices.size(), 4u * 16);
             EXPECT_EQ(FindNode(s.nodes, "Dish2")->keyAnimation->matrices.size(), 4u * 12);
             EXPECT_EQ(FindNode(s.nodes, "Dish3")->keyAnimation->frameMatrix, (std::vector<std::int16_t>{0, 1, 1, 0}));
             EXPECT_EQ(FindNode(s.nodes, "Dish3")->keyAnimation->matrices.size(), 2u * 12);
             const auto& keys = FindNode(s.nodes, "Dish4")->keyAnimation->keys;
             ASSERT_EQ(keys.size(), 2u);
             EXPECT_FLOAT_EQ(keys[0].translation[2], 4.0f);
             EXPECT_FLOAT_EQ(keys[1].scale[2], 2.0f);
             EXPECT_FLOAT_EQ(keys[1].rotation[3], 0.7071068f);
         }},
        {"flag.xbf", "compressed vertex frames with interpolation data",
         [](const ModelScene& s) {
             const auto& frames = s.nodes.at(0).vertexAnimation;
             ASSERT_TRUE(frames);
             EXPECT_TRUE(frames->Compressed());
             EXPECT_EQ(frames->baseCount, 64u);
             EXPECT_EQ(frames->frames.size(), 64u);
             EXPECT_EQ(frames->frames[17].x, 256);
             EXPECT_EQ(frames->interpolation, (std::vector<std::uint32_t>{0, 64, 128, 192}));
         }},
    };
    for (const FeatureCase& c : cases) {
        SCOPED_TRACE(std::string(c.model) + ": " + c.what);
        c.check(ReadSample(c.model));
    }
}

TEST(XbfReader, SamplesRoundTripByteForByte) {
    for (const auto& file : samples::SampleModels()) {
        SCOPED_TRACE(file.name);
        EXPECT_EQ(WriteXbf(ReadXbf(file.bytes)), file.bytes);
    }
}

// A small file built field by field, so each damage below names exact offsets.
class Builder {
public:
    Builder& I32(std::int32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
        return *this;
    }
    Builder& Identity() {
        const ModelScene one = [] {
            ModelScene s;
            s.nodes.emplace_back();
            return s;
        }();
        // The writer's bytes of one identity transform: after 12 header bytes and 16 node bytes.
        const Bytes written = WriteXbf(one);
        bytes.insert(bytes.end(), written.begin() + 28, written.begin() + 28 + 128);
        return *this;
    }
    Builder& Name(const std::string& name) {
        I32(static_cast<std::int32_t>(name.size()));
        bytes.insert(bytes.end(), name.begin(), name.end());
        return *this;
    }
    Builder& Zeros(std::size_t n) {
        bytes.insert(bytes.end(), n, 0);
        return *this;
    }
    Bytes bytes;
};

// version, empty fx and texture blocks, then a node header: vertices, flags, faces, children.
Builder Header(std::int32_t vertices, std::int32_t flags, std::int32_t faces, std::int32_t children) {
    Builder b;
    b.I32(1).I32(0).I32(0).I32(vertices).I32(flags).I32(faces).I32(children).Identity().Name("Hull");
    return b;
}

TEST(XbfReader, DamagedFilesAreRefusedWithTheirPlace) {
    // The header is 12 bytes, a node's fixed part 16 + 128, "Hull" 4 + 4: its mesh starts at 0xA4.
    Builder faceOutside = Header(3, 0, 1, 0);
    faceOutside.Zeros(3 * 24).I32(0).I32(1).I32(3).I32(-1).I32(0).Zeros(24).I32(-1);
    Builder negativeFaces = Header(0, 0, -5, 0);
    Builder vertexCountPastEnd = Header(1000000, 0, 0, 0);
    vertexCountPastEnd.Zeros(24).I32(-1);
    Builder childMissing = Header(0, 0, 0, 1);
    Builder trailing = Header(0, 0, 0, 0);
    trailing.I32(-1).Zeros(3);
    Builder unknownForm = Header(0, 8, 0, 0);
    unknownForm.I32(2).I32(-7).I32(-1);
    Builder wrongBaseCount = Header(0, 4, 0, 0);
    wrongBaseCount.I32(1).I32(-4).I32(0).I32(8).I32(5).Zeros(64).I32(-1);
    Builder keyFramesPastEnd = Header(0, 8, 0, 0);
    keyFramesPastEnd.I32(3).I32(0x10000).I32(-1);
    Builder hugeFx;
    hugeFx.I32(1).I32(0x7FFFFFFF).Zeros(8);
    Builder hugeName;
    hugeName.I32(1).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).Identity().I32(1000);
    Builder deep;
    deep.I32(1).I32(0).I32(0);
    for (int i = 0; i < 300; ++i) deep.I32(0).I32(0).I32(0).I32(1).Identity().Name("N");

    const struct {
        const char* what;
        Bytes bytes;
        std::string expected;
    } cases[] = {
        {"empty file", {}, "at offset 0x0: the file ends inside the version"},
        {"effect data past the end", hugeFx.bytes,
         "at offset 0x8: the 2147483647 bytes of effect data would pass the end"},
        {"name past the end", hugeName.bytes, "at offset 0xA0: the 1000 name bytes would pass the end"},
        {"face naming a missing vertex", faceOutside.bytes,
         "at offset 0xEC in node \"Hull\": face 0 names vertex 3 of 3"},
        {"negative face count", negativeFaces.bytes, "in node \"Hull\": the count of faces is negative (-5)"},
        {"vertex count past the end", vertexCountPastEnd.bytes,
         "at offset 0xA4 in node \"Hull\": the 1000000 vertices would pass the end of the file"},
        {"child missing", childMissing.bytes, "at offset 0xA4 in node \"Hull\": the 1 child nodes would pass the end"},
        {"bytes after the end mark", trailing.bytes, "at offset 0xA8: 3 bytes follow the end mark"},
        {"unknown key form", unknownForm.bytes, "in node \"Hull\": the key animation form -7 is not known"},
        {"frame count not matching", wrongBaseCount.bytes, "the frame vertex count 5 differs from 4"},
        {"key frames past the end", keyFramesPastEnd.bytes, "the 65536 key frames would pass the end of the file"},
        {"nesting too deep", deep.bytes, "in node \"N\": the node tree is nested deeper than 256 levels"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const test::Failure failure = FailureOf([&] { ReadXbf(c.bytes); });
        ASSERT_EQ(failure.kind, FormatErrorKind::Corrupt);
        EXPECT_NE(failure.message.find(c.expected), std::string::npos) << failure.message;
    }
}

TEST(XbfReader, EveryCutOfEverySampleIsRefused) {
    for (const auto& file : samples::SampleModels()) {
        for (std::size_t size = 0; size < file.bytes.size(); ++size) {
            const Bytes cut(file.bytes.begin(), file.bytes.begin() + static_cast<std::ptrdiff_t>(size));
            const test::Failure failure = FailureOf([&] { ReadXbf(cut); });
            ASSERT_EQ(failure.kind, FormatErrorKind::Corrupt) << file.name << " cut to " << size;
        }
    }
}

TEST(ScenePose, ChildVertexLandsAtParentTimesChildTimesPosition) {
    const ModelScene tank = ReadSample("tank.xbf");
    // Barrel: 1.5 along the turret's x; turret: turned 90 degrees about z, then
    // moved to (0.5, 0, 0.75); body: moved up 0.5. The barrel's corner (1, 0.15, 0.15)
    // is (2.5, 0.15, 0.15) in the turret, turned to (-0.15, 2.5, 0.15), moved to
    // (0.35, 2.5, 0.9) in the body and to (0.35, 2.5, 1.4) in the model.
    std::optional<Vector3> corner;
    ForEachNode(tank, [&](const ModelNode& node, const Matrix4& world, const ModelNode* parent) {
        if (node.name != "Barrel") return;
        ASSERT_NE(parent, nullptr);
        EXPECT_EQ(parent->name, "Turret");
        corner = Transform(world, {1, 0.15, 0.15});
    });
    ASSERT_TRUE(corner);
    EXPECT_NEAR((*corner)[0], 0.35, 1e-6);
    EXPECT_NEAR((*corner)[1], 2.5, 1e-6);
    EXPECT_NEAR((*corner)[2], 1.4, 1e-6);
}

TEST(ScenePose, HelpersAreKnownByName) {
    for (const char* helper : {"#^^0", "Gun{LEECH}", "SLCT_box"}) EXPECT_TRUE(IsHelperNode(helper)) << helper;
    for (const char* shown : {"Body", "#^^1", "XSLCT", "LEECH"}) EXPECT_FALSE(IsHelperNode(shown)) << shown;
    // The tank's selection box and muzzle point do not widen its bounds.
    const Bounds box = ShownBounds(ReadSample("tank.xbf"));
    EXPECT_NEAR(box.min[2], 0.0, 1e-6);
    EXPECT_NEAR(box.max[0], 2.0, 1e-6);
}

TEST(XbfNames, TextureBlocksAndModelNames) {
    const Bytes block = {'a', '.', 't', 'g', 'a', 0, 2, 0, 0, 'B', '.', 'T', 'G', 'A', 0, 0};
    EXPECT_EQ(SplitTextureNames(block), (std::vector<std::string>{"a.tga", "B.TGA"}));
    EXPECT_TRUE(IsModelName("TANK.XBF"));
    EXPECT_FALSE(IsModelName("xbf"));
    EXPECT_TRUE(FindClips(Bytes{1, 0xCC, 0xCC}).empty());
}

}  // namespace
}  // namespace varnok::model
