#include "tests/torture/Checks.h"

#include <algorithm>
#include <set>

namespace varnok::torture {

namespace fs = std::filesystem;

namespace {

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string EndingText(const Ending& e) {
    return e.exited() ? "exit " + std::to_string(e.exitCode) : "signal " + std::to_string(e.signal);
}

std::string FirstLine(const fs::path& file) {
    const std::string text = Text(ReadFile(file));
    return text.substr(0, text.find('\n'));
}

// Reads a JSON string starting at its opening quote; `at` moves past it.
std::string JsonString(const std::string& json, std::size_t& at) {
    std::string out;
    for (++at; at < json.size() && json[at] != '"'; ++at) {
        if (json[at] != '\\' || at + 1 >= json.size()) {
            out += json[at];
            continue;
        }
        const char c = json[++at];
        if (c == 'u' && at + 4 < json.size()) {
            const unsigned code = static_cast<unsigned>(std::stoul(json.substr(at + 1, 4), nullptr, 16));
            out += code < 0x80 ? static_cast<char>(code) : '?';  // the harness's own names are ASCII
            at += 4;
        } else {
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
    }
    ++at;
    return out;
}

// Check (a) for one listed entry; its identity when it is intact.
std::optional<Identity> CheckEntry(const Archive& archive, const std::string& listed, const fs::path& out,
                                   std::vector<Violation>& violations) {
    const std::string name = archive.NameOfListed(listed);
    auto fail = [&](const std::string& why) {
        violations.push_back({"a", "entry \"" + listed + "\" " + why});
        return std::nullopt;
    };
    if (name.empty()) return fail("has a name no edit of the harness or the foreign writer gives");
    const fs::path file = out / archive.FileName(name);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return fail("was listed but not extracted");
    const Bytes bytes = ReadFile(file);
    const std::optional<Identity> who = IdentityIn(archive.kind, bytes);
    if (!who) return fail("extracts to " + std::to_string(bytes.size()) + " bytes that are no entry's");
    if (who->id != IdOfName(name)) return fail("holds the bytes of \"" + who->id + "\"");
    if (bytes != FileBytes(archive.kind, *who)) {
        return fail("extracts to bytes that differ from those of " + who->id + " version " +
                    std::to_string(who->version));
    }
    return who;
}

std::string ShowVersions(const Possible& p) {
    std::string text;
    for (int v : p.versions) text += (text.empty() ? "v" : ", v") + std::to_string(v);
    if (p.mayBeAbsent) text += text.empty() ? "absent" : " or absent";
    return text;
}

}  // namespace

std::vector<std::string> ListedNames(const std::string& json) {
    std::vector<std::string> names;
    const std::string key = "\"name\":";
    for (std::size_t at = json.find(key); at != std::string::npos; at = json.find(key, at)) {
        at += key.size();
        if (at < json.size() && json[at] == '"') names.push_back(JsonString(json, at));
    }
    return names;
}

Observation Observe(const Archive& archive, const Varnok& varnok, const fs::path& scratch,
                    std::vector<Violation>& violations) {
    Observation seen;
    const std::size_t before = violations.size();
    const std::string path = archive.Path().string();
    const fs::path log = scratch / "observe.log";
    const fs::path testLog = scratch / "test.log";
    if (const Ending e = varnok.Run({"test", path}, testLog); !(e.exited() && e.exitCode == 0)) {
        violations.push_back({"a", "varnok test ended with " + EndingText(e) + ": " + FirstLine(testLog) + " (" +
                                       testLog.string() + ")"});
    }
    const fs::path listing = scratch / "list.json";
    fs::remove(listing);
    const Ending listed = varnok.Run({"list", path, "--json"}, listing);
    const fs::path out = scratch / "extracted";
    fs::remove_all(out);
    std::vector<std::string> extractArgs = {"extract", path, "-o", out.string(), "--overwrite"};
    if (const char* format = archive.ExtractFormat()) extractArgs.push_back(format);
    const Ending extracted = varnok.Run(extractArgs, log);
    if (!(listed.exited() && listed.exitCode == 0) || !(extracted.exited() && extracted.exitCode == 0)) {
        violations.push_back({"a", "varnok list ended with " + EndingText(listed) + ", varnok extract with " +
                                       EndingText(extracted) + " (see " + log.string() + ")"});
    } else {
        for (const std::string& name : ListedNames(Text(ReadFile(listing)))) {
            const std::optional<Identity> who = CheckEntry(archive, name, out, violations);
            if (!who) continue;
            const std::string entry = archive.NameOfListed(name);
            if (!seen.entries.emplace(entry, *who).second) {
                violations.push_back({"a", "entry \"" + name + "\" is listed more than once"});
            }
        }
    }
    seen.consistent = violations.size() == before;
    return seen;
}

void CompareWithModel(const Expectation& expected, const Observation& found, std::vector<Violation>& violations) {
    for (const auto& [name, possible] : expected) {
        const auto it = found.entries.find(name);
        const bool present = it != found.entries.end();
        if (possible.unknown) continue;
        if (present ? possible.versions.count(it->second.version) > 0 : possible.mayBeAbsent) continue;
        // A done edit that is not to be seen, or an entry that vanished unasked, is (b);
        // an entry that nothing of this round can have left there is (c).
        const bool byEdit = possible.decidedBy.starts_with("edit");
        const std::string is = present ? "holds v" + std::to_string(it->second.version) : "is missing";
        violations.push_back(
            {byEdit || !present ? "b" : "c",
             "entry \"" + name + "\" " + is + ", expected " + ShowVersions(possible) + " after " + possible.decidedBy});
    }
    for (const auto& [name, who] : found.entries) {
        if (expected.count(name)) continue;
        violations.push_back({"c", "entry \"" + name + "\" v" + std::to_string(who.version) +
                                       " is present, though no edit of this round or before put it there"});
    }
}

void PutDecoys(const Archive& archive) {
    for (const std::string& name : DecoyNames(archive)) {
        const std::string content = DecoyContent(name);
        WriteFile(archive.folder / name, Bytes(content.begin(), content.end()));
    }
}

void CheckDecoys(const Archive& archive, const std::string& when, std::vector<Violation>& violations) {
    for (const std::string& name : DecoyNames(archive)) {
        const fs::path file = archive.folder / name;
        std::error_code ec;
        if (!fs::is_regular_file(fs::symlink_status(file, ec))) {
            violations.push_back({"d", "the user's file " + name + " is gone " + when});
        } else if (const std::string content = DecoyContent(name); Text(ReadFile(file)) != content) {
            violations.push_back({"d", "the user's file " + name + " was changed " + when});
        }
    }
}

void CheckNoLeftovers(const Archive& archive, std::vector<Violation>& violations) {
    std::set<std::string> expected = {archive.Side().filename().string()};
    for (const auto& f : archive.Files()) expected.insert(f.filename().string());
    for (const auto& d : DecoyNames(archive)) expected.insert(d);
    std::vector<fs::path> strays;
    for (const auto& item : fs::directory_iterator(archive.folder)) {
        if (!expected.count(item.path().filename().string())) strays.push_back(item.path());
    }
    std::sort(strays.begin(), strays.end());
    for (const auto& stray : strays) {
        violations.push_back({"e", stray.filename().string() + " is left beside the archive after the next open"});
        fs::remove_all(stray);
    }
}

}  // namespace varnok::torture
