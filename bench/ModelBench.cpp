// varnok_model_bench: extraction of an archive of 1000 models (about 2000 faces
// each) as they are stored against the same extraction converting every model to
// glb, and the time a 10 000-face model takes to be read and laid out for the
// preview (without drawing; the frame time is varnok_model_view_bench's).
//
//   varnok_model_bench [--dir DIR] [--reps N]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/QuietUi.h"
#include "engine/mVarnokEngine.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/model/ScenePose.h"
#include "formats/model/XbfFile.h"
#include "samples/SampleModels.h"

namespace varnok::bench {
namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kModels = 1000;
constexpr int kFacesEach = 2000;

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) throw std::runtime_error("cannot write");
    std::fclose(f);
}

// The archive: 1000 models and the one texture they all use.
fs::path WriteModelArchive(const fs::path& dir) {
    const fs::path index = dir / "models.rfh";
    cRFH rfh;
    cRFD rfd;
    rfd.RFDOpen(dir / "models.rfd");
    const auto add = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path source = dir / name;
        WriteFile(source, bytes);
        rfh.RFHAddFile(source, name, rfd.RFDAddFile(rfh.RFHNextOffSet(), source, true));
        fs::remove(source);
    };
    add("TANK_BODY.tga", samples::SampleTextures().front().bytes);
    for (int i = 0; i < kModels; ++i) {
        add("unit" + std::to_string(i) + ".xbf", model::WriteXbf(samples::GridModel(kFacesEach, i)));
    }
    rfh.RFHSave(index);
    return index;
}

double ExtractAll(const fs::path& index, const fs::path& out, ConvertAnswer models) {
    fs::remove_all(out);
    QuietUi ui;
    ui.convert = models;
    mVarnokEngine engine(ui);
    engine.InitEngine();
    engine.OpenArchive(index.string());
    const auto start = Clock::now();
    engine.ExtractAllFiles(out.string(), true, false, false);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (ui.messages != 0) throw std::runtime_error("the extraction showed a message");
    return seconds;
}

template <typename F>
double Fastest(int reps, F run) {
    double best = 1e9;
    for (int i = 0; i < reps; ++i) best = std::min(best, run());
    return best;
}

}  // namespace
}  // namespace varnok::bench

int main(int argc, char** argv) {
    using namespace varnok::bench;
    fs::path dir = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    int reps = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
        if (std::strcmp(argv[i], "--reps") == 0) reps = std::max(1, std::atoi(argv[i + 1]));
    }
    dir /= "varnok-model-bench-" + std::to_string(::getpid());
    fs::create_directories(dir);
    try {
        const fs::path index = WriteModelArchive(dir);
        const double raw =
            Fastest(reps, [&] { return ExtractAll(index, dir / "raw", varnok::ConvertAnswer::NoToAll); });
        const double glb =
            Fastest(reps, [&] { return ExtractAll(index, dir / "glb", varnok::ConvertAnswer::YesToAll); });
        const auto big = varnok::model::WriteXbf(varnok::samples::GridModel(10000, 7));
        const double read = Fastest(reps * 5, [&] {
            const auto start = Clock::now();
            const auto scene = varnok::model::ReadXbf(big);
            (void)varnok::model::ShownBounds(scene);
            return std::chrono::duration<double>(Clock::now() - start).count();
        });
        std::printf("%-44s %10s\n", "operation", "seconds");
        std::printf("%-44s %10.3f\n", "extract 1000 models raw", raw);
        std::printf("%-44s %10.3f   (%.2f x raw)\n", "extract 1000 models as glb", glb, glb / raw);
        std::printf("%-44s %10.3f ms\n", "read a 10 000-face model and frame it", read * 1000);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnok_model_bench: %s\n", e.what());
        fs::remove_all(dir);
        return 1;
    }
    fs::remove_all(dir);
    return 0;
}
