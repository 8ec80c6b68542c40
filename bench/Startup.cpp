// varnok_startup_bench: times the main window's start-up sequence with a large
// settings file (1000 favourites after every other section, 4 recent files)
// against the same start with no favourites at all, under Qt's offscreen platform.
//
// Everything the start touches lives in a temporary folder: the Windows folder
// with the settings file, the desktop's data folder the associations are written
// to, and an empty Wine prefix, so no game data is found.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "shell/frmMain.h"

namespace varnok::bench {
namespace {
namespace fs = std::filesystem;

constexpr int kFavorites = 1000;

// The layout the program itself writes, with the favourites last: every key read
// before them sits in front of 2000 favourite lines.
std::string SettingsText(int favorites) {
    std::string text = "[Version]\nVersion=2.00\nNumber=200\nBuild=77\n";
    text += "[Position]\nWidth=12000\nHeight=9000\nTop=600\nLeft=900\n";
    for (int n = 1; n <= 6; ++n) {
        text += "[Column" + std::to_string(n) + "]\nLeft=" + std::to_string(n * 1200) +
                "\nWidth=1200\nPosition=" + std::to_string(n - 1) + "\n";
    }
    text += "[Folders]\nWidth=3600\n[Size]\nSplitter=3600\n[View]\nToolBar=True\nStatusBar=True\n";
    text += "[RecentFiles]\n";
    for (int n = 1; n <= 4; ++n) {
        text += std::to_string(n) + "=/home/modder/Games/Emperor/DATA/MODEL/3DDATA000" + std::to_string(n) + ".RFH\n";
    }
    text += "[Favorites]\nCount=" + std::to_string(favorites) + "\n";
    for (int n = 1; n <= favorites; ++n) {
        const std::string id = std::to_string(n);
        text += id + "Name=Favourite archive number " + id + "\n";
        text += id + "File=/home/modder/Games/Emperor/DATA/mods/mod" + id + "/3DDATA.RFH\n";
    }
    return text;
}

// Seconds of one frmMain::Load on a fresh window over the given settings; the
// window's construction is not timed.
double TimeOneStart(const fs::path& settingsFile, const std::string& settings) {
    std::ofstream(settingsFile, std::ios::binary | std::ios::trunc) << settings;
    frmMain window;
    window.show();
    const auto start = std::chrono::steady_clock::now();
    window.Load(QString());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    window.close();
    return seconds;
}

struct Timing {
    double fastest = 0;
    double median = 0;
};

Timing TimeStarts(const fs::path& settingsFile, const std::string& settings, int reps) {
    std::vector<double> runs;
    for (int i = 0; i < reps; ++i) runs.push_back(TimeOneStart(settingsFile, settings));
    std::sort(runs.begin(), runs.end());
    return {runs.front(), runs[runs.size() / 2]};
}

int Run(int argc, char** argv) {
    int reps = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--reps" && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: varnok_startup_bench [--reps N]\n");
            return 2;
        }
    }

    const fs::path root = fs::temp_directory_path() / ("varnok-startup-" + std::to_string(::getpid()));
    fs::create_directories(root / "windows");
    fs::create_directories(root / "wine");
    ::setenv("VARNOK_WINDOWS_DIR", (root / "windows").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    ::setenv("WINEPREFIX", (root / "wine").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const fs::path settingsFile = root / "windows" / "varnok2.ini";

    // The offscreen platform warns about every window it cannot size; only real
    // trouble is worth showing beside the table.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
    });
    QApplication app(argc, argv);
    // The first start writes the associations and warms the caches; it is not counted.
    TimeOneStart(settingsFile, SettingsText(0));
    const std::string large = SettingsText(kFavorites);
    const Timing withFavorites = TimeStarts(settingsFile, large, reps);
    const Timing without = TimeStarts(settingsFile, SettingsText(0), reps);
    fs::remove_all(root);

    std::printf("start-up (frmMain::Load), fastest and median of %d runs\n", reps);
    std::printf("| settings file | size (bytes) | fastest (s) | median (s) |\n|---|---:|---:|---:|\n");
    std::printf("| %d favourites, 4 recent files | %zu | %.4f | %.4f |\n", kFavorites, large.size(),
                withFavorites.fastest, withFavorites.median);
    std::printf("| no favourites, 4 recent files | %zu | %.4f | %.4f |\n", SettingsText(0).size(), without.fastest,
                without.median);
    return 0;
}

}  // namespace
}  // namespace varnok::bench

int main(int argc, char** argv) { return varnok::bench::Run(argc, argv); }
