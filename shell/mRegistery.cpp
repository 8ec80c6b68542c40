#include "shell/mRegistery.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <system_error>

#include "engine/ContinueOnFailure.h"
#include "formats/io/File.h"
#include "platform/Process.h"
#include "shell/DesktopAssociation.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

struct Association {
    const char* extension;
    const char* className;
    const char* description;
};

constexpr Association kAssociations[] = {
    {".RFH", "RFH Archive", "Emperor: Battle For Dune RFH file"},
    {".BAG", "BAG Archive", "Emperor: Battle For Dune BAG file"},
};

constexpr std::string_view kVerbCommand = "\\shell\\Open with Varno&k\\command";

std::optional<std::int32_t> NumberOf(std::string_view text) {
    std::int32_t number = 0;
    if (text.size() > 2 && text[0] == '&' && (text[1] == 'h' || text[1] == 'H')) {
        std::uint32_t bits = 0;
        const auto [end, ec] = std::from_chars(text.data() + 2, text.data() + text.size(), bits, 16);
        if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
        return static_cast<std::int32_t>(bits);
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return number;
}

// What the file holds now; nothing for a file that cannot be read, which is
// then written anew.
std::optional<std::string> CurrentBytes(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return std::nullopt;
    try {
        std::ifstream in(file, std::ios::binary);
        if (!in) return std::nullopt;
        return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Writes the store when its text differs from the file's, so that a start that
// changes nothing leaves the file alone.
void SaveIfChanged(const RegFile& store, const fs::path& file) {
    const std::string text = store.Render(kRegistryHeader);
    std::error_code ec;
    if (CurrentBytes(file) == text) return;
    fs::create_directories(file.parent_path(), ec);
    WriteFileAtomically(file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

template <typename Change>
long ChangeStoreFile(Change&& change) {
    RegFile store = RegFile::Load(RegistryFile());
    const std::string before = store.Render(kRegistryHeader);
    const long status = change(store);
    if (store.Render(kRegistryHeader) == before) return status;
    try {
        SaveIfChanged(store, RegistryFile());
    } catch (const std::exception&) {
        return kRegCannotWrite;
    }
    return status;
}

}  // namespace

long CreateRegKey(RegFile& store, std::string_view keyPath, RegRoot root) {
    store.CreateKey(RootedPath(root, keyPath));
    return kRegSuccess;
}

long SetRegValue(RegFile& store, std::string_view keyPath, std::string_view valueName, const RegData& value,
                 std::uint32_t kind) {
    std::string path = RootedPath(RegRoot::ClassesRoot, keyPath);
    if (!store.HasKey(path)) return kRegNotFound;
    return WriteRegValue(RegKey{store, std::move(path)}, valueName, kind, value);
}

long WriteRegValue(RegKey key, std::string_view valueName, std::uint32_t kind, const RegData& value) {
    if (kind == kRegText) {
        const std::string text = std::holds_alternative<std::string>(value)
                                     ? std::get<std::string>(value)
                                     : std::to_string(std::get<std::int32_t>(value));
        key.file.SetValue(key.path, valueName, RegValue::Text(text));
        return kRegSuccess;
    }
    if (kind == kRegNumber) {
        const auto number = std::holds_alternative<std::int32_t>(value)
                                ? std::optional<std::int32_t>(std::get<std::int32_t>(value))
                                : NumberOf(std::get<std::string>(value));
        if (!number) return kRegInvalidData;
        key.file.SetValue(key.path, valueName, RegValue::Number(*number));
        return kRegSuccess;
    }
    return kRegInvalidData;
}

long CreateRegKey(std::string_view keyPath, RegRoot root) {
    return ChangeStoreFile([&](RegFile& store) { return CreateRegKey(store, keyPath, root); });
}

long SetRegValue(std::string_view keyPath, std::string_view valueName, const RegData& value, std::uint32_t kind) {
    return ChangeStoreFile([&](RegFile& store) { return SetRegValue(store, keyPath, valueName, value, kind); });
}

fs::path ProgramCommandPath() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe;
}

void RegisterAssociationKeys(RegFile& store, const std::string& commandPath) {
    constexpr auto root = RegRoot::ClassesRoot;
    for (const Association& a : kAssociations) {
        const std::string extension = a.extension;
        const std::string className = a.className;
        CreateRegKey(store, extension, root);
        SetRegValue(store, extension, "", className, kRegText);
        CreateRegKey(store, extension + "\\ShellNew", root);
        SetRegValue(store, extension + "\\ShellNew", "NullFile", std::string(), kRegText);
        CreateRegKey(store, className + std::string(kVerbCommand), root);
        CreateRegKey(store, className + "\\DefaultIcon", root);
        SetRegValue(store, className + "\\DefaultIcon", "", commandPath + ",0", kRegText);
        SetRegValue(store, className, "", std::string(a.description), kRegText);
        SetRegValue(store, className + std::string(kVerbCommand), "", commandPath + " %1", kRegText);
    }
}

AssociationPlaces AssociationPlaces::Default() {
    return {RegistryFile(), DataHome(), ProgramCommandPath(), SearchPath(), DataDirs()};
}

void RegisterAssociations(const AssociationPlaces& places) {
    TryStep([&] {
        RegFile store = RegFile::Load(places.registryFile);
        RegisterAssociationKeys(store, places.executable.string());
        SaveIfChanged(store, places.registryFile);
    });
    TryStep([&] {
        // The installation's files already tell the desktop; a copy in the user's
        // data folder would only shadow them.
        if (InstalledWithDesktopFiles(places.executable, places.dataDirs)) return;
        InstallDesktopAssociation(places.dataHome, places.executable, places.searchPath);
    });
}

void RegisterAssociations() { RegisterAssociations(AssociationPlaces::Default()); }

}  // namespace varnok
