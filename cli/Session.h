#pragma once

#include <string>
#include <string_view>

#include "cli/Arguments.h"
#include "cli/ConsoleUi.h"
#include "engine/mVarnokEngine.h"

namespace varnok::cli {

// The answers a command line gives to the engine's questions.
Answers AnswersFrom(const Arguments& args);

// Whether the file name ends in `extension` (".rfh"), in any letter case.
bool HasExtension(const std::string& path, std::string_view extension);

// Prints why and returns true when `path` names a data file (".rfd", any letter
// case). Given where an index belongs, it would be read as an index, and the data
// file derived from its name would be the file itself.
bool RefuseDataFile(const std::string& path);

// Prints why and returns false unless `path` can be the archive of a command that
// changes it: an RFH index (".rfh") or a BAG file. A missing file passes, for
// Session::Open to report.
bool CheckArchiveToChange(const std::string& path);

// One run of the engine behind the console: the archive a command works on, and
// whether anything went wrong while it did.
class Session {
public:
    explicit Session(const Arguments& args);

    ConsoleUi& Ui() noexcept { return ui_; }
    mVarnokEngine& Engine() noexcept { return engine_; }
    const std::string& Path() const noexcept { return path_; }

    // Opens the archive at `path`, which must exist: only "create" makes new ones,
    // and the engine would make an empty index of a missing path. Prints why and
    // returns false when it is not a file that can be read, or not an archive.
    bool Open(const std::string& path);

    // What is wrong with the open archive's table, or "": a damaged index, an index
    // of more than 5000 entries, a BAG table that can't be read.
    std::string TableDamage() const;

    // Prints why and returns true when the open archive can't be changed: indexes
    // that are damaged, since saving one would drop every entry after the damage,
    // and BAG files whose table can't be read. `what` completes "can't ...".
    bool RefuseChange(std::string_view what) const;

    // The exit code: failure when the engine showed a failure or counted a problem.
    int Result() const;

private:
    ConsoleUi ui_;
    mVarnokEngine engine_;
    std::string path_;
};

}  // namespace varnok::cli
