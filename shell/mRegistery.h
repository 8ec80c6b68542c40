#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/Registry.h"

namespace varnok {

// The registry module: the routines the program writes its file associations
// with, over the registry store of platform/Registry.h (ReadRegValue is there too,
// as the game-folder lookup below the shell needs it). Writing lives here rather
// than in platform/ because every rewritten file goes through the one atomic
// replacement helper, which the platform layer does not link.

// What a value is given as: a text or a number. Either converts to the kind it
// is written as.
using RegData = std::variant<std::string, std::int32_t>;

// An open key: a key of a registry file in memory.
struct RegKey {
    RegFile& file;
    std::string path;  // with its root, as RootedPath gives it
};

// Creates the key (and the keys above it) under `root`, or opens it when it
// exists. Always kRegSuccess in memory.
long CreateRegKey(RegFile& store, std::string_view keyPath, RegRoot root);

// Opens the key under the classes root, always that root, and stores the value
// through WriteRegValue. The key is not created: kRegNotFound, and nothing
// written, when it is missing. "" names the key's default value.
long SetRegValue(RegFile& store, std::string_view keyPath, std::string_view valueName, const RegData& value,
                 std::uint32_t kind);

// Stores one value in an open key.
// - kRegText: the text form of the value (a number in decimal) and a NUL.
// - kRegNumber: the value as a signed 32-bit number; a text must be one, in
//   decimal or as "&h" and hex digits, else kRegInvalidData and nothing written.
// - Other kinds write nothing and give kRegInvalidData.
long WriteRegValue(RegKey key, std::string_view valueName, std::uint32_t kind, const RegData& value);

// The same two calls on the store file (RegistryFile()): each reads the file anew
// and writes it back only when it changed. A failed write gives kRegCannotWrite.
long CreateRegKey(std::string_view keyPath, RegRoot root);
long SetRegValue(std::string_view keyPath, std::string_view valueName, const RegData& value, std::uint32_t kind);

// The program's command path: the running executable.
std::filesystem::path ProgramCommandPath();

// The association keys for ".RFH" and ".BAG" with `commandPath` as the program:
//   .RFH            (default) "RFH Archive"
//   .RFH\ShellNew   NullFile  ""
//   RFH Archive     (default) "Emperor: Battle For Dune RFH file"
//   RFH Archive\DefaultIcon                       (default) "<command path>,0"
//   RFH Archive\shell\Open with Varno&k\command   (default) "<command path> %1"
// and the same for BAG, all under the classes root, in the order the shell
// would have been told them.
void RegisterAssociationKeys(RegFile& store, const std::string& commandPath);

// The places RegisterAssociations works on; Default() is this user's.
struct AssociationPlaces {
    std::filesystem::path registryFile;
    std::filesystem::path dataHome;    // where the desktop looks for MIME types and applications
    std::filesystem::path executable;  // the program the associations start
    std::string searchPath;            // where update-mime-database and update-desktop-database are looked for
    std::vector<std::filesystem::path> dataDirs;  // where an installation's desktop files are looked for

    static AssociationPlaces Default();
};

// Run at every start: writes the association keys into the store, and installs
// the desktop's association (DesktopAssociation.h) so that the file manager opens
// the two kinds with this program, unless the program was installed with its own
// desktop files (InstalledWithDesktopFiles). A file is written only when its bytes
// change.
// Failures of either part are ignored, without a message, and do not stop the
// other part.
void RegisterAssociations();
void RegisterAssociations(const AssociationPlaces& places);

}  // namespace varnok
