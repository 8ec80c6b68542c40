#include "cli/EntrySelection.h"

#include <algorithm>
#include <charconv>

#include "cli/Output.h"
#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/cBAG.h"
#include "formats/cRFH.h"
#include "platform/Win1252.h"

namespace varnok::cli {

namespace {

bool AllDigits(const std::string& word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The form both sides are compared in: "\" separators, no leading ones, A-Z.
std::string Comparable(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    const std::size_t start = name.find_first_not_of('\\');
    return UpperCaseASCII(start == std::string::npos ? std::string() : name.substr(start));
}

void AddOnce(std::vector<std::int32_t>& numbers, std::int32_t n) {
    if (std::find(numbers.begin(), numbers.end(), n) == numbers.end()) numbers.push_back(n);
}

}  // namespace

std::string EntryName(const mVarnokEngine& engine, std::int32_t n) {
    if (engine.IsBAG()) return engine.Bag().BAGGetFileName(n);
    return engine.Index().GetFilePath(n) + engine.Index().GetFileName(n);
}

Selection SelectEntries(const mVarnokEngine& engine, std::span<const std::string> words) {
    const std::int32_t count = engine.FileCount();
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    for (std::int32_t n = 1; n <= count; ++n) names.push_back(Comparable(EntryName(engine, n)));
    // A BAG record goes by its stored name too, without the extension its kind adds.
    std::vector<std::string> storedNames;
    if (engine.IsBAG()) {
        storedNames.reserve(static_cast<std::size_t>(count));
        for (std::int32_t n = 1; n <= count; ++n) storedNames.push_back(Comparable(engine.Bag().BAGGetStoredName(n)));
    }
    const auto named = [&](std::int32_t n, const std::string& wanted) {
        const auto i = static_cast<std::size_t>(n - 1);
        return names[i] == wanted || (!storedNames.empty() && storedNames[i] == wanted);
    };

    Selection result;
    for (const std::string& word : words) {
        if (AllDigits(word)) {
            std::int32_t n = 0;
            const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), n);
            if (ec == std::errc() && end == word.data() + word.size() && n >= 1 && n <= count) {
                AddOnce(result.numbers, n);
            } else {
                result.unknown.push_back(word);
            }
            continue;
        }
        const auto stored = Utf8ToWin1252(word);
        bool found = false;
        if (stored) {
            const std::string wanted = Comparable(*stored);
            for (std::int32_t n = 1; n <= count; ++n) {
                if (!named(n, wanted)) continue;
                AddOnce(result.numbers, n);
                found = true;
            }
        }
        if (!found) result.unknown.push_back(word);
    }
    return result;
}

bool ReportUnknown(const Selection& selection, const std::string& archive) {
    for (const std::string& word : selection.unknown) {
        PrintError("no entry " + Quoted(word) + " in " + Quoted(archive));
    }
    return !selection.unknown.empty();
}

}  // namespace varnok::cli
