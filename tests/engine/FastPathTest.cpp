// The long commands on the worker pool against the one-by-one run: the same bytes
// on disk, the same questions in the same order, the same texts, whatever the
// number of workers and however their jobs interleave.
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <random>

#include "engine/TextRules.h"
#include "engine/WorkerPool.h"
#include "formats/cRFH.h"
#include "formats/io/ByteReader.h"
#include "formats/io/Zlib.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Pools of these sizes are compared with a pool of none, which runs every step at
// once on the UI thread: the one-by-one run.
constexpr unsigned kPoolSizes[] = {1, 2, 5};

class PoolSize {
public:
    explicit PoolSize(unsigned workers) { WorkerPool::SetDefaultWorkers(workers); }
    ~PoolSize() { WorkerPool::SetDefaultWorkers(std::nullopt); }
};

// Every file and symbolic link below a folder, with its bytes or where it points.
std::map<std::string, std::string> Tree(const fs::path& folder) {
    std::map<std::string, std::string> tree;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = fs::relative(it->path(), folder).generic_string();
        if (it->is_symlink())
            tree[name] = "-> " + fs::read_symlink(it->path()).string();
        else if (it->is_regular_file())
            tree[name] = ReadText(it->path());
        else
            tree[name + "/"] = "";
    }
    return tree;
}

// Everything a command left on disk and showed.
struct Outcome {
    std::map<std::string, std::string> files;
    std::vector<std::string> panel1, questions, messages;
    std::vector<std::array<std::string, 7>> rows;
    int problems = 0;
    bool operator==(const Outcome&) const = default;
};

Outcome Observe(const fs::path& folder, const ScriptedUi& ui, const mVarnokEngine& engine) {
    Outcome o{Tree(folder), ui.panel1History, ui.overwriteQuestions, {}, {}, engine.ProblemCount()};
    for (const auto& m : ui.messages) o.messages.push_back(m.text);
    for (const auto& row : engine.Rows()) o.rows.push_back(row.cells);
    return o;
}

// Runs a command with no pool, then with each pool size; every run must give the
// outcome of the first.
template <typename Run>
Outcome SameWithEveryPool(std::uint32_t seed, const Run& run) {
    Outcome alone;
    {
        PoolSize none(0);
        alone = run();
    }
    for (unsigned workers : kPoolSizes) {
        PoolSize pool(workers);
        EXPECT_EQ(run(), alone) << "seed " << seed << ", " << workers << " workers";
    }
    return alone;
}

enum class Payload { Compressed, Stored, Damaged };
struct RawEntry {
    std::string stored;
    Payload kind;
    Bytes bytes;
};

void Put(const fs::path& file, const Bytes& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An index and data file written straight from bytes, payloads back to back.
void WriteRaw(const fs::path& index, const std::vector<RawEntry>& entries) {
    Bytes table, data;
    for (const RawEntry& e : entries) {
        Bytes payload = e.bytes;
        if (e.kind != Payload::Stored) {
            Bytes stream = CompressLevel9(e.bytes);
            if (e.kind == Payload::Damaged) stream.resize(stream.size() / 2);
            payload.assign(4, 0);
            PutI32le(payload.data(), static_cast<std::int32_t>(e.bytes.size()));
            payload.insert(payload.end(), stream.begin(), stream.end());
        }
        auto row = IndexRow(e.stored, static_cast<std::int32_t>(payload.size()),
                            static_cast<std::int32_t>(e.bytes.size()), static_cast<std::int32_t>(data.size()));
        if (e.kind != Payload::Stored) PutI32le(&row[8], cRFH::kPackedCompressed);
        table.insert(table.end(), row.begin(), row.end());
        data.insert(data.end(), payload.begin(), payload.end());
    }
    Put(index, table);
    Put(DataFilePath(index.string()), data);
}

// Mostly small files, now and then one that takes many pieces to inflate or copy.
Bytes SomeBytes(std::mt19937& rng) {
    const std::uint32_t pick = rng() % 20;
    const std::size_t size = pick == 0 ? 270000 + rng() % 400000 : pick < 3 ? rng() % 4 : rng() % 4000;
    return rng() % 3 == 0 ? PseudoRandomBytes(size, rng()) : TextLikeBytes(size, rng());
}

// Names that meet: the same file in several folders, names that differ in case
// only, a file where another entry needs a folder, and names that are refused.
std::vector<RawEntry> CrowdedArchive(std::mt19937& rng) {
    static const char* kFolders[] = {"", "x\\", "x\\y\\", "X\\", "snd\\", "..\\", "a/b\\"};
    static const char* kNames[] = {"a.txt", "A.TXT", "b.bin", "x", "y", "snd", "c.dat", "d.raw"};
    std::vector<RawEntry> entries(5 + rng() % 30);
    for (RawEntry& e : entries) {
        e.stored = std::string(kFolders[rng() % std::size(kFolders)]) + kNames[rng() % std::size(kNames)];
        const std::uint32_t kind = rng() % 10;
        e.kind = kind < 7 ? Payload::Compressed : kind < 9 ? Payload::Stored : Payload::Damaged;
        e.bytes = SomeBytes(rng);
    }
    return entries;
}

// An empty folder for one run, below the test's own.
fs::path Fresh(const TempDir& dir) {
    fs::remove_all(dir / "run");
    fs::create_directories(dir / "run");
    return dir / "run";
}

// One extraction command on a crowded archive into a folder that already holds
// some of the files (and a link between two of them), answering the overwrite
// questions from a fixed random script.
Outcome ExtractOnce(const fs::path& run, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const std::vector<RawEntry> entries = CrowdedArchive(rng);
    const fs::path index = run / "Crowd.rfh", out = run / "out";
    WriteRaw(index, entries);
    for (const char* old : {"a.txt", "x", "x/a.txt", "snd/b.bin", "c.dat", "X/y"}) {
        if (rng() % 2 == 0) continue;
        std::error_code ec;  // "x" may already be a file
        fs::create_directories((out / old).parent_path(), ec);
        std::ofstream(out / old) << "old " << old;
    }
    if (rng() % 2 == 0 && !fs::exists(out / "b.bin")) fs::create_symlink("a.txt", out / "b.bin");

    ScriptedUi ui;
    mVarnokEngine engine(ui);
    engine.InitEngine();
    engine.OpenArchive(index.string());
    for (int i = 0; i < 100; ++i) {
        const OverwriteAnswer answers[] = {OverwriteAnswer::Yes, OverwriteAnswer::No, OverwriteAnswer::None,
                                           OverwriteAnswer::YesToAll};
        ui.overwriteAnswers.push_back(answers[rng() % (i % 7 == 6 ? 4 : 3)]);
    }
    const std::uint32_t command = seed % 3;
    if (command == 0) {
        const bool overwrite = rng() % 4 == 0, keep = rng() % 2 == 0;
        engine.ExtractAllFiles(out.string(), overwrite, keep, true);
    } else if (command == 1) {
        for (std::size_t row = 1; row <= entries.size(); ++row) {
            if (rng() % 3 != 0 || ui.selected.size() < 2) ui.selected.insert(static_cast<int>(row));
        }
        engine.UpdateSelection();
        ui.folders = {out.string()};
        engine.ExtractSelectedFiles(true);
    } else {
        const std::string& stored = entries[rng() % entries.size()].stored;
        engine.ExtractDirectory(UpperCaseASCII(stored.substr(0, stored.rfind('\\') + 1)), out.string(), rng() % 2 == 0);
    }
    EXPECT_TRUE(ui.interfaceEnabled);
    return Observe(out, ui, engine);
}

TEST(FastExtract, EveryCommandWritesAndAsksAsTheOneByOneRun) {
    const TempDir dir;
    int questions = 0, failures = 0;
    for (std::uint32_t seed = 1; seed <= 18; ++seed) {
        const Outcome alone = SameWithEveryPool(seed, [&] { return ExtractOnce(Fresh(dir), seed); });
        questions += static_cast<int>(alone.questions.size());
        failures += alone.problems;
    }
    // The scripts really reach the questions and the failures.
    EXPECT_GT(questions, 15);
    EXPECT_GT(failures, 15);
}

}  // namespace
}  // namespace varnok::test
