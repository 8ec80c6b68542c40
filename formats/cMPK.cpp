#include "formats/cMPK.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "formats/FormatError.h"
#include "formats/io/File.h"
#include "formats/io/Zlib.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic{"MPK\x02", 4};
constexpr std::size_t kLengthFieldWindow = 30;  // the length field ends within these bytes
constexpr char kCountStart = '\xC9';
constexpr char kNameEnd = '\xFD';
constexpr char kOriginalSizeEnd = '\xFE';
constexpr char kFieldEnd = '\xFF';
constexpr std::size_t kMaxFiles = 99999;
// The shortest entry: one digit, an empty name, FD, one digit, FE, one digit, FF.
constexpr std::size_t kMinEntryLength = 6;
constexpr std::uint64_t kMaxNumber = std::numeric_limits<std::int64_t>::max();

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kMissingSource = -4;
constexpr std::int32_t kCannotRead = -5;
constexpr std::int32_t kOutputExists = -6;
constexpr std::int32_t kEmptyList = -7;
constexpr std::int32_t kPackageExists = -12;
const std::string kCannotReadText = "-5";

struct Entry {
    std::string name;
    std::uint64_t originalSize = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t offset = 0;  // where the entry's stream starts in the package
};

struct Table {
    std::uint64_t headerLength = 0;  // H
    std::uint64_t dataEnd = 0;       // H + the sum of the compressed sizes
    std::vector<Entry> entries;
};

// ---- Stored text ----

char Encode(char c) { return static_cast<char>(static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) + 2)); }
char Decode(char c) { return static_cast<char>(static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) - 2)); }

std::string MPKEncodeText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Encode(c);
    return out;
}

std::string MPKDecodeText(std::string_view stored) {
    std::string out(stored);
    for (char& c : out) c = Decode(c);
    return out;
}

bool IsStoredDigit(char c) {
    const char d = Decode(c);
    return d >= '0' && d <= '9';
}

// The value of shifted decimal digits, or nothing when they are empty, hold anything
// but digits, or exceed what any file offset can be.
std::optional<std::uint64_t> ParseStoredNumber(std::string_view stored) {
    if (stored.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : stored) {
        if (!IsStoredDigit(c)) return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(Decode(c) - '0');
        if (value > (kMaxNumber - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// The shifted number that runs from `pos` up to the byte `end`; on success `pos`
// moves past `end`. Only digits are scanned, so a failed attempt costs no more than
// the digits it looked at.
std::optional<std::uint64_t> StoredNumberAt(std::string_view text, std::size_t& pos, char end) {
    std::size_t stop = pos;
    while (stop < text.size() && IsStoredDigit(text[stop])) ++stop;
    if (stop == text.size() || text[stop] != end) return std::nullopt;
    const auto value = ParseStoredNumber(text.substr(pos, stop - pos));
    if (value) pos = stop + 1;
    return value;
}

// ---- Reading the header ----

[[noreturn]] void NotAPackage(const InputFile& package, const std::string& why) {
    throw FormatError(FormatErrorKind::Corrupt, "\"" + package.path().string() + "\" is not a package: " + why);
}

// The first `length` bytes of the package as text.
std::string ReadFirstBytes(const InputFile& package, std::uint64_t length) {
    const Bytes bytes = package.readExactly(0, static_cast<std::size_t>(length));
    return {bytes.begin(), bytes.end()};
}

struct LengthField {
    std::uint64_t headerLength;
    std::size_t countStart;  // the position of the C9 that ends the field
};

LengthField ReadLengthField(const InputFile& package) {
    const std::string prefix = ReadFirstBytes(package, std::min<std::uint64_t>(package.size(), kLengthFieldWindow));
    if (!prefix.starts_with(kMagic)) NotAPackage(package, "it does not start with \"MPK\" 02");
    const std::size_t countStart = prefix.find(kCountStart, kMagic.size());
    if (countStart == std::string::npos) NotAPackage(package, "no header length within the first 30 bytes");
    const auto length = ParseStoredNumber(std::string_view(prefix).substr(kMagic.size(), countStart - kMagic.size()));
    if (!length) NotAPackage(package, "the header length is not a number");
    if (*length <= countStart || *length > package.size()) {
        NotAPackage(package, "a header of " + std::to_string(*length) + " bytes does not fit a file of " +
                                 std::to_string(package.size()) + " bytes");
    }
    return {*length, countStart};
}

struct Sizes {
    std::uint64_t original;
    std::uint64_t compressed;
    std::size_t end;  // just past the entry's closing FF
};

// The two size fields that follow the FD at `nameEnd`, if they are well formed.
std::optional<Sizes> SizesAfter(std::string_view header, std::size_t nameEnd) {
    std::size_t pos = nameEnd + 1;
    const auto original = StoredNumberAt(header, pos, kOriginalSizeEnd);
    if (!original) return std::nullopt;
    const auto compressed = StoredNumberAt(header, pos, kFieldEnd);
    if (!compressed) return std::nullopt;
    return Sizes{*original, *compressed, pos};
}

// Entry `number` at `pos`: its plain digits, then Enc(name) FD sizes. The name ends
// at the first FD that is followed by two well-formed size fields, so a name whose
// shifted bytes include FD, FE or FF (the letters û, ü, ý), or that begins with a
// digit once shifted ('.', '0'-'7'), is read whole and never taken for another entry.
// Only a name that itself holds û, digits, ü, digits, ý in a row reads wrongly: the
// format has no escape for that.
Entry ReadEntry(const InputFile& package, std::string_view header, std::size_t& pos, std::uint64_t number) {
    const std::string digits = std::to_string(number);
    if (header.substr(pos, digits.size()) != digits) NotAPackage(package, "entry " + digits + " is missing");
    const std::size_t nameStart = pos + digits.size();
    for (std::size_t nameEnd = header.find(kNameEnd, nameStart); nameEnd != std::string_view::npos;
         nameEnd = header.find(kNameEnd, nameEnd + 1)) {
        if (const auto sizes = SizesAfter(header, nameEnd)) {
            pos = sizes->end;
            return {MPKDecodeText(header.substr(nameStart, nameEnd - nameStart)), sizes->original, sizes->compressed,
                    0};
        }
    }
    NotAPackage(package, "entry " + digits + " has no well-formed sizes");
}

Table MPKReadTable(const InputFile& package) {
    const LengthField field = ReadLengthField(package);
    const std::string header = ReadFirstBytes(package, field.headerLength);
    std::size_t pos = field.countStart + 1;
    const auto count = StoredNumberAt(header, pos, kFieldEnd);
    if (!count) NotAPackage(package, "the entry count is not a number");
    if (*count > (header.size() - pos) / kMinEntryLength) {
        NotAPackage(package, "the header cannot hold " + std::to_string(*count) + " entries");
    }
    Table table{field.headerLength, field.headerLength, {}};
    for (std::uint64_t number = 1; number <= *count; ++number) {
        Entry entry = ReadEntry(package, header, pos, number);
        if (entry.compressedSize > kMaxNumber - table.dataEnd) NotAPackage(package, "the sizes overflow");
        entry.offset = table.dataEnd;
        table.dataEnd += entry.compressedSize;
        table.entries.push_back(std::move(entry));
    }
    if (pos != header.size()) {
        NotAPackage(package, "the header holds more than its " + std::to_string(*count) + " entries");
    }
    return table;
}

const Entry& MPKFindEntry(const Table& table, std::int32_t FileNumber) {
    if (FileNumber < 1 || static_cast<std::size_t>(FileNumber) > table.entries.size()) {
        throw FormatError(FormatErrorKind::Range, "the package has no entry " + std::to_string(FileNumber));
    }
    return table.entries[static_cast<std::size_t>(FileNumber) - 1];
}

bool MPKFileExists(const fs::path& path) { return IsRegularFile(path); }

// Anything at the path, a dangling link included.
bool PathExists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// The entry of a package that is known to exist.
Entry EntryOf(const fs::path& MPKFile, std::int32_t FileNumber) {
    return MPKFindEntry(MPKReadTable(InputFile(MPKFile)), FileNumber);
}

// ---- Result codes at the public boundary ----

// A missing package, one that is not a package and an entry outside its table give
// "-5"; an unexpected failure gives the empty text.
template <typename Operation>
std::string TextResult(const fs::path& MPKFile, Operation&& operation) noexcept {
    if (!MPKFileExists(MPKFile)) return kCannotReadText;
    try {
        return operation();
    } catch (const FormatError& e) {
        return e.kind() == FormatErrorKind::InputOutput ? std::string() : kCannotReadText;
    } catch (const std::exception&) {
        return {};
    }
}

template <typename Operation>
std::int32_t CodeResult(Operation&& operation) noexcept {
    try {
        return operation();
    } catch (const std::exception&) {
        return kCannotRead;
    }
}

// ---- Extracting ----

// Inflates the entry into `target` through a replacement file, so a damaged stream or
// one of another length than the stored size leaves the target as it was.
void MPKUnpackToFile(const InputFile& package, const Entry& entry, const fs::path& target) {
    const Bytes stream = package.readExactly(entry.offset, static_cast<std::size_t>(entry.compressedSize));
    ReplacementFile out(target);
    InflateExactTo(stream, entry.originalSize, "entry \"" + entry.name + "\"",
                   [&out](std::span<const std::uint8_t> part) { out.write(part); });
    out.commit();
}

std::int32_t ExtractEntry(const InputFile& package, const Entry& entry, const fs::path& target, bool overwrite) {
    if (!overwrite && PathExists(target)) return kOutputExists;
    MPKUnpackToFile(package, entry, target);
    return kOk;
}

// The file `name` directly inside `folder`, or nothing when the stored name could
// reach elsewhere: empty, "." or "..", or holding a separator, a colon (a drive or a
// stream on Windows) or a NUL byte.
std::optional<fs::path> EntryPathIn(const fs::path& folder, std::string_view name) {
    constexpr std::string_view kForbidden{"/\\:\0", 4};
    if (name.empty() || name == "." || name == ".." || name.find_first_of(kForbidden) != std::string_view::npos) {
        return std::nullopt;
    }
    return folder / fs::path(std::string(name));
}

// ---- Building ----

std::string MPKFileTitle(const fs::path& path) { return path.filename().string(); }

std::vector<fs::path> MPKSplitFileList(std::string_view list) {
    if (list.starts_with('|')) list.remove_prefix(1);
    if (list.ends_with('|')) list.remove_suffix(1);
    std::vector<fs::path> paths;
    if (list.empty()) return paths;
    for (std::size_t start = 0; paths.size() <= kMaxFiles;) {
        const std::size_t bar = list.find('|', start);
        paths.emplace_back(std::string(list.substr(start, bar - start)));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    return paths;
}

struct PackedFile {
    std::string name;
    std::uint64_t originalSize;
    Bytes stream;
};

PackedFile MPKPackFile(const fs::path& source) {
    const Bytes data = ReadWholeFile(source);
    return {MPKFileTitle(source), data.size(), CompressLevel9(data)};
}

std::string EntryRecord(std::size_t number, const PackedFile& file) {
    return std::to_string(number) + MPKEncodeText(file.name) + kNameEnd +
           MPKEncodeText(std::to_string(file.originalSize)) + kOriginalSizeEnd +
           MPKEncodeText(std::to_string(file.stream.size())) + kFieldEnd;
}

// H counts the digits of H itself, and adding them can add a digit: a table of 94
// bytes gives 4 + 2 + 94 = 100, which takes three digits, so H is 4 + 3 + 94 = 101.
std::uint64_t HeaderLength(std::size_t tableLength) {
    std::size_t digits = 1;
    for (;;) {
        const std::uint64_t length = kMagic.size() + digits + tableLength;
        const std::size_t needed = std::to_string(length).size();
        if (needed == digits) return length;
        digits = needed;
    }
}

std::string MPKHeader(const std::vector<PackedFile>& files) {
    std::string table = kCountStart + MPKEncodeText(std::to_string(files.size())) + kFieldEnd;
    for (std::size_t i = 0; i < files.size(); ++i) table += EntryRecord(i + 1, files[i]);
    return std::string(kMagic) + MPKEncodeText(std::to_string(HeaderLength(table.size()))) + table;
}

void WritePackage(const fs::path& MPKFile, const std::vector<PackedFile>& files) {
    const std::string header = MPKHeader(files);
    ReplacementFile out(MPKFile);
    out.write(header.data(), header.size());
    for (const PackedFile& file : files) out.write(file.stream);
    out.commit();
}

// ---- Ratio ----

std::string RatioText(const Entry& entry) {
    if (entry.originalSize == 0) return {};
    const double percent = static_cast<double>(entry.compressedSize) / static_cast<double>(entry.originalSize) * 100.0;
    const double rounded = std::nearbyint(percent);  // the default rounding mode takes halves to even
    if (rounded < -32768.0 || rounded > 32767.0) return {};
    return std::to_string(100 - static_cast<int>(rounded)) + "%";
}

}  // namespace

std::string cMPK::MPKGetFileRatio(const fs::path& MPKFile, std::int32_t FileNumber) const noexcept {
    try {
        return MPKFileExists(MPKFile) ? RatioText(EntryOf(MPKFile, FileNumber)) : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

std::string cMPK::MPKTestArchive(const fs::path& MPKFile) const noexcept {
    if (!MPKFileExists(MPKFile)) return "-8";
    return TextResult(MPKFile, [&] {
        const InputFile package(MPKFile);
        return MPKReadTable(package).dataEnd == package.size() ? std::string("0") : kCannotReadText;
    });
}

std::string cMPK::MPKExtractAll(const fs::path& MPKFile, const fs::path& OutPutDirectory) const noexcept {
    return TextResult(MPKFile, [&] {
        const InputFile package(MPKFile);
        const Table table = MPKReadTable(package);
        if (OutPutDirectory.native().size() <= 2) return kCannotReadText;
        std::error_code ignored;  // a folder that cannot be made fails the first entry
        fs::create_directories(OutPutDirectory, ignored);
        for (const Entry& entry : table.entries) {
            const auto target = EntryPathIn(OutPutDirectory, entry.name);
            if (!target) return kCannotReadText;
            const std::int32_t code = CodeResult([&] { return ExtractEntry(package, entry, *target, true); });
            if (code != kOk) return std::to_string(code);
        }
        return std::string("0");
    });
}

std::int32_t cMPK::MPKExtractFile(const fs::path& MPKFile, std::int32_t FileNumber, const fs::path& OutPutFile,
                                  bool OverWriteExistingFile) const noexcept {
    return CodeResult([&] {
        if (!MPKFileExists(MPKFile)) return kCannotRead;
        const InputFile package(MPKFile);
        const Table table = MPKReadTable(package);
        return ExtractEntry(package, MPKFindEntry(table, FileNumber), OutPutFile, OverWriteExistingFile);
    });
}

std::string cMPK::MPKGetFileName(const fs::path& MPKFile, std::int32_t FileNumber) const noexcept {
    return TextResult(MPKFile, [&] { return EntryOf(MPKFile, FileNumber).name; });
}

std::string cMPK::MPKGetFileCompSize(const fs::path& MPKFile, std::int32_t FileNumber) const noexcept {
    return TextResult(MPKFile, [&] { return std::to_string(EntryOf(MPKFile, FileNumber).compressedSize); });
}

std::string cMPK::MPKGetFileSize(const fs::path& MPKFile, std::int32_t FileNumber) const noexcept {
    return TextResult(MPKFile, [&] { return std::to_string(EntryOf(MPKFile, FileNumber).originalSize); });
}

std::string cMPK::MPKGetFileCount(const fs::path& MPKFile) const noexcept {
    return TextResult(MPKFile, [&] { return std::to_string(MPKReadTable(InputFile(MPKFile)).entries.size()); });
}

std::int32_t cMPK::MPKCreate(const fs::path& MPKFile, const std::string& FilesToAdd,
                             bool OverWriteExistingMPKFile) const noexcept {
    return CodeResult([&] {
        const std::vector<fs::path> sources = MPKSplitFileList(FilesToAdd);
        if (sources.empty() || sources.size() > kMaxFiles) return kEmptyList;
        if (!OverWriteExistingMPKFile && PathExists(MPKFile)) return kPackageExists;
        for (const fs::path& source : sources) {
            if (!MPKFileExists(source)) return kMissingSource;
        }
        std::vector<PackedFile> files;
        files.reserve(sources.size());
        for (const fs::path& source : sources) files.push_back(MPKPackFile(source));
        WritePackage(MPKFile, files);
        return kOk;
    });
}

}  // namespace varnok
