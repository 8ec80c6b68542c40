// varnok test: whether every entry of an archive can be extracted whole.
#include <iostream>

#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/Session.h"
#include "engine/PayloadCheck.h"
#include "formats/FormatError.h"
#include "formats/cRFD.h"

namespace varnok::cli {

namespace {

int RunTest(const Arguments& args) {
    args.ExpectPositionals(1, 1, "ARCHIVE");
    Session session(args);
    if (!session.Open(args.Positionals()[0])) return kExitFailed;
    const mVarnokEngine& engine = session.Engine();

    int problems = 0;
    if (const std::string damage = session.TableDamage(); !damage.empty()) {
        PrintError(damage);
        ++problems;
    }
    std::vector<DamagedEntry> damaged;
    try {
        damaged = engine.IsBAG() ? CheckBagRecords(engine.Bag(), session.Path())
                                 : CheckRfhPayloads(engine.Index(), engine.Data().RFDFileName());
    } catch (const FormatError& e) {
        PrintError(e.what());
        return kExitFailed;
    }
    for (const DamagedEntry& d : damaged) PrintError("damaged " + d.why);

    const std::int32_t count = engine.FileCount();
    if (damaged.empty()) {
        std::cout << session.Path() << ": " << count << (count == 1 ? " entry" : " entries") << " intact\n";
    } else {
        PrintError(std::to_string(damaged.size()) + " of " + std::to_string(count) + " entries are damaged");
    }
    return problems > 0 || !damaged.empty() || session.Result() != kExitOk ? kExitFailed : kExitOk;
}

}  // namespace

const Command kTestCommand{"test",
                           "check that every entry can be extracted",
                           "Usage: varnok test ARCHIVE\n"
                           "\n"
                           "Reads every entry of the archive without writing anything: the data of each\n"
                           "entry must lie inside its file, that of a compressed RFH entry must inflate to\n"
                           "exactly its original size, and that of an IMA ADPCM sound in a BAG archive\n"
                           "must decode. Prints one line per damaged entry and exits with 1 when there is\n"
                           "any.\n",
                           {},
                           &RunTest};

}  // namespace varnok::cli
