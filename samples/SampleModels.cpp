// Demo models built face by face, with the TGA pictures they are textured with.
#include "samples/SampleModels.h"

#include <cmath>
#include <stdexcept>

#include "formats/io/ByteReader.h"
#include "formats/model/XbfFile.h"

namespace varnok::samples {

namespace {

using model::Matrix4;
using model::ModelFace;
using model::ModelNode;
using model::ModelScene;
using model::ModelVertex;
using Bytes = std::vector<std::uint8_t>;

constexpr double kPi = 3.14159265358979;

Matrix4 Translation(double x, double y, double z) {
    Matrix4 m = model::kIdentity;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

// A turn by `degrees` about the z axis, then a move to (x, y, z).
Matrix4 TurnZ(double degrees, double x, double y, double z) {
    Matrix4 m = Translation(x, y, z);
    const double c = std::cos(degrees * kPi / 180), s = std::sin(degrees * kPi / 180);
    m[0] = c;
    m[1] = s;
    m[4] = -s;
    m[5] = c;
    return m;
}

// A box centred on the origin: four vertices a side, so each side has its own
// normal and its own corner of the texture.
void AddBox(ModelNode& node, float sx, float sy, float sz, std::int32_t texture) {
    struct Side {
        std::array<float, 3> normal, u, v;
    };
    static constexpr Side kSides[6] = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}},
                                       {{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
                                       {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}}};
    const std::array<float, 3> half{sx / 2, sy / 2, sz / 2};
    for (const Side& side : kSides) {
        const auto first = static_cast<std::int32_t>(node.vertices.size());
        for (const auto& [a, b] : {std::pair{-1.f, -1.f}, {1.f, -1.f}, {1.f, 1.f}, {-1.f, 1.f}}) {
            ModelVertex v;
            for (int i = 0; i < 3; ++i) v.position[i] = (side.normal[i] + a * side.u[i] + b * side.v[i]) * half[i];
            v.normal = side.normal;
            node.vertices.push_back(v);
        }
        const std::array<std::array<float, 2>, 4> uv{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
        node.faces.push_back({{first, first + 1, first + 2}, texture, 0, {uv[0], uv[1], uv[2]}});
        node.faces.push_back({{first, first + 2, first + 3}, texture, 0, {uv[0], uv[2], uv[3]}});
    }
}

ModelNode Node(std::string name, const Matrix4& transform) {
    ModelNode node;
    node.name = std::move(name);
    node.transform = transform;
    return node;
}

// Effect data with clip records at 60-byte steps after a few bytes of other data.
Bytes EffectData(const std::vector<model::ModelClip>& clips) {
    Bytes fx = {0x10, 0x00, 0x00, 0x00, 0x07, 0x07, 0x07, 0x07};
    for (const model::ModelClip& clip : clips) {
        Bytes record(60, 0);
        record[0] = 0x01;
        record[1] = record[2] = record[3] = 0xCC;
        PutU32le(&record[4], clip.first);
        PutU32le(&record[8], clip.last);
        std::copy(clip.name.begin(), clip.name.end(), record.begin() + 12);
        fx.insert(fx.end(), record.begin(), record.end());
    }
    return fx;
}

void SetTextures(ModelScene& scene, std::vector<std::string> names) {
    scene.textureBlock = model::TextureBlockOf(names);
    scene.textures = std::move(names);
}

ModelScene Tank() {
    ModelScene scene;
    scene.version = 1;
    scene.clips = {{"Idle", 0, 10}, {"Fire", 11, 25}};
    scene.fxData = EffectData(scene.clips);
    // The game ends some names with 00 02 rather than 00 00.
    scene.textureBlock = {'t', 'a', 'n', 'k', '_', 'b', 'o', 'd', 'y', '.', 't', 'g', 'a', 0, 2};
    const Bytes second = model::TextureBlockOf({"Tank_Turret.TGA"});
    scene.textureBlock.insert(scene.textureBlock.end(), second.begin(), second.end());
    scene.textures = {"tank_body.tga", "Tank_Turret.TGA"};

    ModelNode body = Node("Body", Translation(0, 0, 0.5));
    AddBox(body, 4, 2.5f, 1, 0);
    ModelNode turret = Node("Turret", TurnZ(90, 0.5, 0, 0.75));
    AddBox(turret, 1.5f, 1.5f, 0.5f, 1);
    ModelNode barrel = Node("Barrel", Translation(1.5, 0, 0));
    AddBox(barrel, 2, 0.3f, 0.3f, 1);
    ModelNode muzzle = Node("#^^0", Translation(1, 0, 0));
    AddBox(muzzle, 0.2f, 0.2f, 0.2f, -1);
    barrel.children.push_back(std::move(muzzle));
    turret.children.push_back(std::move(barrel));
    body.children.push_back(std::move(turret));
    ModelNode select = Node("SLCT_box", model::kIdentity);
    AddBox(select, 5, 3.5f, 2, -1);
    body.children.push_back(std::move(select));
    scene.nodes.push_back(std::move(body));
    return scene;
}

ModelScene Prelit() {
    ModelScene scene;
    scene.version = 1;
    ModelNode node = Node("Rock", model::kIdentity);
    node.flags = ModelNode::kPrelight;
    AddBox(node, 2, 2, 3, -1);
    for (std::size_t i = 0; i < node.vertices.size(); ++i) {
        node.prelight.push_back({static_cast<std::uint8_t>(40 + 8 * i), 90, static_cast<std::uint8_t>(200 - 6 * i)});
    }
    scene.nodes.push_back(std::move(node));
    return scene;
}

// A twelve-sided column: one smoothing group round the side, none on the caps.
ModelScene Smooth() {
    ModelScene scene;
    scene.version = 1;
    SetTextures(scene, {"column.tga"});
    ModelNode node = Node("Column", model::kIdentity);
    node.flags = ModelNode::kSmoothing;
    constexpr int kSides = 12;
    for (int i = 0; i < kSides; ++i) {
        const double a = 2 * kPi * i / kSides;
        const auto c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
        node.vertices.push_back({{c, s, 0}, {c, s, 0}});
        node.vertices.push_back({{c, s, 3}, {c, s, 0}});
    }
    for (int i = 0; i < kSides; ++i) {
        const std::int32_t a = 2 * i, b = 2 * ((i + 1) % kSides);
        const float u0 = static_cast<float>(i) / kSides, u1 = static_cast<float>(i + 1) / kSides;
        node.faces.push_back({{a, b, b + 1}, 0, 0, {{{u0, 0}, {u1, 0}, {u1, 1}}}});
        node.faces.push_back({{a, b + 1, a + 1}, 0, 0, {{{u0, 0}, {u1, 1}, {u0, 1}}}});
        node.smoothing.insert(node.smoothing.end(), {1, 1});
    }
    for (int i = 1; i + 1 < kSides; ++i) {
        node.faces.push_back({{0, 2 * (i + 1), 2 * i}, -1, 0, {}});
        node.faces.push_back({{1, 2 * i + 1, 2 * (i + 1) + 1}, -1, 0, {}});
        node.smoothing.insert(node.smoothing.end(), {0, 0});
    }
    scene.nodes.push_back(std::move(node));
    return scene;
}

// Dish nodes turning, one in each key form.
ModelScene Radar() {
    ModelScene scene;
    scene.version = 1;
    scene.clips = {{"Turn", 0, 3}};
    scene.fxData = EffectData(scene.clips);
    SetTextures(scene, {"radar.tga"});
    ModelNode base = Node("Mast", model::kIdentity);
    AddBox(base, 0.5f, 0.5f, 4, 0);
    constexpr int kFrames = 3;
    const auto turn = [](int frame) { return TurnZ(frame * 30.0, 0, 0, 0); };
    for (int form = -1; form >= -4; --form) {
        ModelNode dish = Node("Dish" + std::to_string(-form), Translation(0, 0, -form));
        dish.flags = ModelNode::kKeyAnimation;
        AddBox(dish, 1.5f, 0.2f, 0.6f, 0);
        model::KeyAnimation keys;
        keys.frameCount = kFrames;
        keys.form = form == -4 ? 2 : form;
        for (int frame = 0; frame <= kFrames && form == -1; ++frame) {
            for (double m : turn(frame)) keys.matrices.push_back(static_cast<float>(m));
        }
        for (int frame = 0; frame <= kFrames && (form == -2 || form == -3); ++frame) {
            if (form == -3 && frame >= 2) break;  // two matrices shared by the four frames
            const Matrix4 m = turn(frame);
            for (int column = 0; column < 4; ++column) {
                for (int row = 0; row < 3; ++row) keys.matrices.push_back(static_cast<float>(m[column * 4 + row]));
            }
        }
        if (form == -3) keys.frameMatrix = {0, 1, 1, 0};
        if (form == -4) {
            model::KeyFrame first;
            first.frame = 0;
            first.bits = model::KeyFrame::kRotation | model::KeyFrame::kTranslation;
            first.translation = {0, 0, 4};
            model::KeyFrame last;
            last.frame = kFrames;
            last.bits = model::KeyFrame::kRotation | model::KeyFrame::kScale;
            last.rotation = {0.7071068f, 0, 0, 0.7071068f};
            last.scale = {1, 1, 2};
            keys.keys = {first, last};
        }
        dish.keyAnimation = keys;
        base.children.push_back(std::move(dish));
    }
    scene.nodes.push_back(std::move(base));
    return scene;
}

// A cloth of 4 x 4 vertices waving in four compressed frames.
ModelScene Flag() {
    ModelScene scene;
    scene.version = 1;
    scene.clips = {{"Wave", 0, 3}};
    scene.fxData = EffectData(scene.clips);
    SetTextures(scene, {"flag.tga"});
    ModelNode node = Node("Cloth", Translation(0, 0, 2));
    node.flags = ModelNode::kVertexAnimation;
    constexpr int kSide = 4, kFrames = 4;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) node.vertices.push_back({{float(x), 0, float(y)}, {0, -1, 0}});
    }
    for (int y = 0; y + 1 < kSide; ++y) {
        for (int x = 0; x + 1 < kSide; ++x) {
            const std::int32_t a = y * kSide + x;
            const float u0 = x / 3.f, u1 = (x + 1) / 3.f, v0 = y / 3.f, v1 = (y + 1) / 3.f;
            node.faces.push_back({{a, a + 1, a + kSide + 1}, 0, 0, {{{u0, v0}, {u1, v0}, {u1, v1}}}});
            node.faces.push_back({{a, a + kSide + 1, a + kSide}, 0, 0, {{{u0, v0}, {u1, v1}, {u0, v1}}}});
        }
    }
    model::VertexAnimation frames;
    frames.frameCount = kFrames;
    frames.count = -(kSide * kSide * kFrames);
    frames.keys = {0, 1, 2, 3};
    frames.scale = 0x80000000u | 8;  // positions in 1/256
    frames.baseCount = kSide * kSide * kFrames;
    for (int f = 0; f < kFrames; ++f) {
        for (const ModelVertex& v : node.vertices) {
            const double wave = 0.3 * std::sin(v.position[0] + f * kPi / 2);
            frames.frames.push_back({static_cast<std::int16_t>(v.position[0] * 256),
                                     static_cast<std::int16_t>(wave * 256),
                                     static_cast<std::int16_t>(v.position[2] * 256), 0x8000 | 31 << 5});
        }
    }
    frames.interpolation = {0, 64, 128, 192};
    node.vertexAnimation = frames;
    scene.nodes.push_back(std::move(node));
    return scene;
}

ModelScene Crate() {
    ModelScene scene;
    scene.version = 1;
    SetTextures(scene, {"lost_crate.tga"});
    ModelNode node = Node("Crate", model::kIdentity);
    AddBox(node, 1, 1, 1, 0);
    scene.nodes.push_back(std::move(node));
    return scene;
}

// A TGA picture of side x side pixels: a checker of two colours, stored from the
// bottom row unless fromTop.
Bytes Checker(std::uint16_t side, std::array<std::uint8_t, 3> a, std::array<std::uint8_t, 3> b, bool fromTop) {
    Bytes out(18, 0);
    out[2] = 2;
    PutU16le(&out[12], side);
    PutU16le(&out[14], side);
    out[16] = 24;
    out[17] = fromTop ? 0x20 : 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const auto& c = ((x / 8 + y / 8) % 2 == 0) ? a : b;
            out.insert(out.end(), {c[2], c[1], c[0]});
        }
    }
    return out;
}

}  // namespace

ModelScene GridModel(int faces, int seed) {
    ModelScene scene;
    scene.version = 1;
    SetTextures(scene, {"tank_body.tga"});
    const int side = std::max(2, static_cast<int>(std::sqrt(faces / 4.0)));
    for (int part = 0; part < 2; ++part) {
        ModelNode node = Node("Part" + std::to_string(part), TurnZ(part * 45.0, part * 2.0, 0, 0));
        for (int y = 0; y <= side; ++y) {
            for (int x = 0; x <= side; ++x) {
                const float h = static_cast<float>(0.2 * std::sin((x + seed) * 0.5) * std::cos(y * 0.4));
                node.vertices.push_back({{float(x) / side, float(y) / side, h}, {0, 0, 1}});
            }
        }
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const std::int32_t a = y * (side + 1) + x, b = a + side + 1;
                const float u0 = float(x) / side, u1 = float(x + 1) / side, v0 = float(y) / side,
                            v1 = float(y + 1) / side;
                node.faces.push_back({{a, a + 1, b + 1}, 0, 0, {{{u0, v0}, {u1, v0}, {u1, v1}}}});
                node.faces.push_back({{a, b + 1, b}, 0, 0, {{{u0, v0}, {u1, v1}, {u0, v1}}}});
            }
        }
        scene.nodes.push_back(std::move(node));
    }
    return scene;
}

ModelScene SampleScene(const std::string& name) {
    if (name == "tank.xbf") return Tank();
    if (name == "prelit.xbf") return Prelit();
    if (name == "smooth.xbf") return Smooth();
    if (name == "radar.xbf") return Radar();
    if (name == "flag.xbf") return Flag();
    if (name == "crate.xbf") return Crate();
    throw std::invalid_argument("no sample model " + name);
}

std::vector<SampleFile> SampleModels() {
    std::vector<SampleFile> files;
    for (const char* name : {"tank.xbf", "prelit.xbf", "smooth.xbf", "radar.xbf", "flag.xbf", "crate.xbf"}) {
        files.push_back({name, model::WriteXbf(SampleScene(name))});
    }
    return files;
}

std::vector<SampleFile> SampleTextures() {
    return {{"TANK_BODY.tga", Checker(32, {200, 160, 40}, {120, 90, 20}, false)},
            {"tank_turret.tga", Checker(16, {40, 90, 200}, {255, 0, 255}, true)},
            {"column.tga", Checker(32, {180, 180, 170}, {140, 140, 130}, false)},
            {"radar.tga", Checker(16, {30, 160, 60}, {20, 100, 40}, false)},
            {"flag.tga", Checker(32, {200, 30, 30}, {240, 240, 240}, true)}};
}

}  // namespace varnok::samples
