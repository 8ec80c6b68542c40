#include "bench/Operations.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <set>
#include <stdexcept>

#include "bench/GameData.h"
#include "bench/QuietUi.h"
#include "bench/SoundArchive.h"
#include "engine/mVarnokEngine.h"
#include "formats/cRFH.h"

namespace varnok::bench {
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The ms-scale operations run this often, and the fastest run counts.
constexpr int kQuickRepeats = 20;

struct Row {
    std::int32_t fields[6];
    std::string name;
};

std::int32_t I32(const std::uint8_t* p) {
    std::uint32_t u = 0;
    std::memcpy(&u, p, 4);
    return static_cast<std::int32_t>(u);
}

class Fd {
public:
    Fd(const fs::path& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0644)) {
        if (fd_ < 0) throw std::runtime_error("cannot open " + path.string() + ": " + std::strerror(errno));
    }
    ~Fd() { ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

void WriteFully(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error(std::string("write: ") + std::strerror(errno));
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

void ReadInto(const fs::path& path, Bytes& out) {
    Fd in(path, O_RDONLY);
    out.resize(static_cast<std::size_t>(fs::file_size(path)));
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t r = ::read(in.get(), out.data() + done, out.size() - done);
        if (r <= 0) throw std::runtime_error("cannot read " + path.string());
        done += static_cast<std::size_t>(r);
    }
}

Bytes ReadFile(const fs::path& path) {
    Bytes out;
    ReadInto(path, out);
    return out;
}

// Reading the index: the file in one read, every row decoded with its name. The
// buffers are kept from one reading to the next, as the engine keeps its table.
void ReadIndexBare(const fs::path& index, Bytes& image, std::vector<Row>& rows) {
    ReadInto(index, image);
    rows.clear();
    for (std::size_t at = 0; at + 24 <= image.size();) {
        Row row;
        for (int i = 0; i < 6; ++i) row.fields[i] = I32(&image[at + 4 * static_cast<std::size_t>(i)]);
        const auto nameLen = static_cast<std::size_t>(row.fields[0]);
        if (nameLen < 1 || nameLen > image.size() - at - 24) break;
        row.name.assign(reinterpret_cast<const char*>(&image[at + 24]), nameLen - 1);
        at += 24 + nameLen;
        rows.push_back(std::move(row));
    }
}

std::vector<Row> ReadIndexBare(const fs::path& index) {
    Bytes image;
    std::vector<Row> rows;
    ReadIndexBare(index, image, rows);
    return rows;
}

void FreshWork(const Layout& layout) {
    fs::remove_all(layout.work());
    fs::create_directories(layout.work());
}

fs::path CopyPair(const fs::path& index, const fs::path& folder) {
    const fs::path copy = folder / index.filename();
    fs::copy_file(index, copy, fs::copy_options::overwrite_existing);
    fs::copy_file(DataFileOf(index), DataFileOf(copy), fs::copy_options::overwrite_existing);
    return copy;
}

std::size_t CountFiles(const fs::path& folder) {
    std::size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) n += e.is_regular_file() ? 1 : 0;
    return n;
}

std::string Check(bool ok, const std::string& what) { return ok ? what : "FAILED: " + what; }

double OpenOurs(const Layout& layout, std::string& note) {
    QuietUi ui;
    mVarnokEngine engine(ui);
    engine.InitEngine();
    engine.AskBeforeRemoving(false);  // the command names its entries
    double best = 1e9;
    for (int i = 0; i < kQuickRepeats; ++i) {
        const auto start = Clock::now();
        engine.OpenArchive(layout.game().string());
        best = std::min(best, Since(start));
    }
    note = Check(ui.rows == 5000 && engine.RowCount() == 5000 && ui.messages == 0,
                 std::to_string(engine.RowCount()) + " rows listed");
    return best;
}

// The index alone, read by the format class the engine opens it with.
double OpenIndexOnly(const Layout& layout, std::string& note) {
    double best = 1e9;
    cRFH table;
    for (int i = 0; i < kQuickRepeats; ++i) {
        const auto start = Clock::now();
        table.RFHOpen(layout.game());
        best = std::min(best, Since(start));
    }
    note = std::to_string(table.GetFileCount()) + " entries read";
    return best;
}

double OpenBare(const Layout& layout, std::string& note) {
    double best = 1e9;
    Bytes image;
    std::vector<Row> rows;
    for (int i = 0; i < kQuickRepeats; ++i) {
        const auto start = Clock::now();
        ReadIndexBare(layout.game(), image, rows);
        best = std::min(best, Since(start));
    }
    note = std::to_string(rows.size()) + " rows read";
    return best;
}

double ExtractOurs(const Layout& layout, std::string& note) {
    FreshWork(layout);
    QuietUi ui;
    mVarnokEngine engine(ui);
    engine.InitEngine();
    engine.AskBeforeRemoving(false);  // the command names its entries
    engine.OpenArchive(layout.game().string());
    const fs::path out = layout.work() / "out";
    const auto start = Clock::now();
    engine.ExtractAllFiles(out.string(), false, true, true);
    const double seconds = Since(start);
    const std::size_t files = CountFiles(out);
    note = Check(files == 5000 && ui.messages == 0, std::to_string(files) + " files written");
    return seconds;
}

// Every payload read, inflated with one uncompress call and written to its file.
double ExtractBare(const Layout& layout, std::string& note) {
    FreshWork(layout);
    const std::vector<Row> rows = ReadIndexBare(layout.game());
    const fs::path out = layout.work() / "out";
    const auto start = Clock::now();
    Fd data(DataFileOf(layout.game()), O_RDONLY);
    std::set<std::string> folders;
    Bytes packed, plain;
    for (const Row& row : rows) {
        const std::size_t cut = row.name.rfind('\\');
        std::string folder = cut == std::string::npos ? "" : row.name.substr(0, cut);
        std::replace(folder.begin(), folder.end(), '\\', '/');
        if (folders.insert(folder).second) fs::create_directories(out / folder);
        packed.resize(static_cast<std::size_t>(row.fields[3]) - 4);
        if (::pread(data.get(), packed.data(), packed.size(), row.fields[5] + 4) != static_cast<ssize_t>(packed.size()))
            throw std::runtime_error("short read");
        plain.resize(static_cast<std::size_t>(row.fields[4]));
        uLongf length = static_cast<uLongf>(plain.size());
        if (uncompress(plain.data(), &length, packed.data(), static_cast<uLong>(packed.size())) != Z_OK)
            throw std::runtime_error("uncompress failed");
        Fd target(out / folder / row.name.substr(cut + 1), O_WRONLY | O_CREAT | O_TRUNC);
        WriteFully(target.get(), plain.data(), length);
    }
    const double seconds = Since(start);
    note = std::to_string(CountFiles(out)) + " files written";
    return seconds;
}

double AddOurs(const Layout& layout, std::string& note) {
    FreshWork(layout);
    const fs::path index = CopyPair(layout.smaller(), layout.work());
    QuietUi ui;
    mVarnokEngine engine(ui);
    engine.InitEngine();
    engine.AskBeforeRemoving(false);  // the command names its entries
    engine.OpenArchive(index.string());
    const std::int32_t before = engine.FileCount();
    const auto start = Clock::now();
    engine.AddDirectoryToArchive(layout.newFiles().string() + "/", "ADDED\\");
    const double seconds = Since(start);
    note = Check(engine.FileCount() == before + 1000 && ui.messages == 0,
                 std::to_string(engine.FileCount() - before) + " files added to " + std::to_string(before));
    return seconds;
}

// Every file read, compressed with one compress2 call at level 9 and appended to
// one data file.
double AddBare(const Layout& layout, std::string& note) {
    FreshWork(layout);
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(layout.newFiles())) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    const auto start = Clock::now();
    Fd out(layout.work() / "added.rfd", O_WRONLY | O_CREAT | O_TRUNC);
    Bytes stream;
    for (const fs::path& file : files) {
        const Bytes plain = ReadFile(file);
        uLongf length = compressBound(static_cast<uLong>(plain.size()));
        stream.resize(length + 4);
        const auto size = static_cast<std::uint32_t>(plain.size());
        std::memcpy(stream.data(), &size, 4);
        if (compress2(stream.data() + 4, &length, plain.data(), static_cast<uLong>(plain.size()), 9) != Z_OK)
            throw std::runtime_error("compress2 failed");
        WriteFully(out.get(), stream.data(), length + 4);
    }
    const double seconds = Since(start);
    note = std::to_string(files.size()) + " files compressed";
    return seconds;
}

double RemoveOurs(const Layout& layout, bool folder, std::string& note) {
    FreshWork(layout);
    const fs::path index = CopyPair(layout.game(), layout.work());
    QuietUi ui;
    mVarnokEngine engine(ui);
    engine.InitEngine();
    engine.AskBeforeRemoving(false);  // the command names its entries
    engine.OpenArchive(index.string());
    const std::int32_t before = engine.FileCount();
    std::mt19937 rng(77);
    while (!folder && ui.selected.size() < kRemovedEntries) ui.selected.insert(1 + static_cast<int>(rng() % 5000));
    engine.UpdateSelection();
    const auto start = Clock::now();
    if (folder) {
        engine.RemoveDirectoryFromArchive(kRemovedFolder);
    } else {
        engine.RemoveSelectedFiles();
    }
    const double seconds = Since(start);
    const std::int32_t removed = before - engine.FileCount();
    note = Check(removed > 0 && (folder || removed == kRemovedEntries) && ui.messages == 0,
                 std::to_string(removed) + " entries removed");
    return seconds;
}

double CopyBare(const Layout& layout, std::string& note) {
    FreshWork(layout);
    const auto start = Clock::now();
    fs::copy_file(DataFileOf(layout.game()), layout.work() / "copy.rfd");
    const double seconds = Since(start);
    note = std::to_string(fs::file_size(layout.work() / "copy.rfd") >> 20) + " MB copied";
    return seconds;
}

}  // namespace

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> operations = {
        {"open", "open + list 5000 rows"},
        {"read-index", "read and decode the index file"},
        {"index-only", "the index alone, read by cRFH"},
        {"extract", "extract all (keep folders)"},
        {"inflate-write", "uncompress + write every payload"},
        {"add", "add a folder of 1000 files"},
        {"compress", "compress2 level 9 of the 1000 files"},
        {"remove", "remove 200 selected entries"},
        {"remove-folder", "remove one stored folder"},
        {"copy", "one copy of the data file"},
        {"bag-raw", "BAG: extract all raw"},
        {"bag-wave", "BAG: extract all as WAVE"},
        {"bag-copy", "pread + write every entry"},
        {"bag-add", "BAG: add 500 WAVE files"},
        {"bag-add-adpcm", "BAG: add 500 WAVE files as IMA ADPCM"},
        {"bag-append", "append the 500 files to one file"},
    };
    return operations;
}

double RunOperation(const std::string& name, const Layout& layout, std::string& note) {
    if (name == "open") return OpenOurs(layout, note);
    if (name == "read-index") return OpenBare(layout, note);
    if (name == "index-only") return OpenIndexOnly(layout, note);
    if (name == "extract") return ExtractOurs(layout, note);
    if (name == "inflate-write") return ExtractBare(layout, note);
    if (name == "add") return AddOurs(layout, note);
    if (name == "compress") return AddBare(layout, note);
    if (name == "remove") return RemoveOurs(layout, false, note);
    if (name == "remove-folder") return RemoveOurs(layout, true, note);
    if (name == "copy") return CopyBare(layout, note);
    if (double seconds = 0; RunSoundOperation(name, layout, seconds, note)) return seconds;
    throw std::runtime_error("no operation " + name);
}

}  // namespace varnok::bench
