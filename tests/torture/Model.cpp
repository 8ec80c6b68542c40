#include "tests/torture/Model.h"

namespace varnok::torture {

namespace {

const char* KindName(EditKind kind) {
    switch (kind) {
        case EditKind::Add: return "add";
        case EditKind::Overwrite: return "add --overwrite";
        case EditKind::Remove: return "remove";
        case EditKind::Rename: return "rename";
    }
    return "?";
}

Possible& Slot(Expectation& e, const std::string& name) {
    auto [it, inserted] = e.try_emplace(name, Possible::Absent());
    return it->second;
}

void Widen(Possible& p, const Possible& maybe) {
    p.unknown = p.unknown || maybe.unknown;
    p.mayBeAbsent = p.mayBeAbsent || maybe.mayBeAbsent;
    p.versions.insert(maybe.versions.begin(), maybe.versions.end());
}

// An edit that reported success must have found what it changed; false (after
// noting the violation) when the model knows it cannot have.
bool RequirePresent(const Edit& edit, const std::string& name, const Possible& before,
                    std::vector<Violation>& violations) {
    if (!before.versions.empty() || before.unknown) return true;
    violations.push_back({"c", edit.Describe() + " reported success on entry \"" + name +
                                   "\", which cannot have been in the archive then (last decided by " +
                                   (before.decidedBy.empty() ? "nothing" : before.decidedBy) +
                                   "): either an edit brought back an archive read before, or this one edited a "
                                   "stale copy"});
    return false;
}

void ApplyDone(const Edit& edit, Expectation& e, std::vector<Violation>& violations) {
    const std::string why = edit.Describe();
    switch (edit.kind) {
        case EditKind::Add:
        case EditKind::Overwrite:
            for (const auto& name : edit.names) Slot(e, name) = Possible::Present(edit.version, why);
            break;
        case EditKind::Remove:
            for (const auto& name : edit.names) {
                RequirePresent(edit, name, Slot(e, name), violations);
                Slot(e, name) = Possible::Absent(why);
            }
            break;
        case EditKind::Rename: {
            const Possible old = Slot(e, edit.names[0]);
            const bool known = RequirePresent(edit, edit.names[0], old, violations);
            Slot(e, edit.names[1]) = known && !old.unknown ? Possible{false, old.versions, why} : Possible::Unknown();
            Slot(e, edit.names[0]) = Possible::Absent(why);
            break;
        }
    }
}

// An edit that failed or was killed may have done all of its work, part of it or none.
void ApplyMaybe(const Edit& edit, Expectation& e) {
    switch (edit.kind) {
        case EditKind::Add:
        case EditKind::Overwrite:
            for (const auto& name : edit.names) Widen(Slot(e, name), Possible::Present(edit.version));
            break;
        case EditKind::Remove:
            for (const auto& name : edit.names) Slot(e, name).mayBeAbsent = true;
            break;
        case EditKind::Rename: {
            const Possible old = Slot(e, edit.names[0]);
            Widen(Slot(e, edit.names[1]), Possible{true, old.versions, {}, old.unknown});
            Slot(e, edit.names[0]).mayBeAbsent = true;
            break;
        }
    }
}

void WipeForReplacement(Expectation& e) {
    for (auto& [name, p] : e) p = Possible::Absent("the foreign writer renamed its pair over the archive");
}

}  // namespace

std::string Edit::Describe() const {
    std::string text = "edit #" + std::to_string(number) + " (worker " + std::to_string(slot) + ", " + KindName(kind);
    for (const auto& n : names) text += " " + n;
    if (kind == EditKind::Add || kind == EditKind::Overwrite) text += " v" + std::to_string(version);
    text += ", ";
    if (killed && !ending.exited()) {
        text += "killed";
    } else if (ending.exited()) {
        text += "exit " + std::to_string(ending.exitCode);
    } else {
        text += "signal " + std::to_string(ending.signal);
    }
    return text + ")";
}

Expectation ExpectAfter(Expectation e, const std::vector<Edit>& edits, const std::optional<Replacement>& last,
                        std::vector<Violation>& violations) {
    bool wiped = false;
    for (const Edit& edit : edits) {
        // Edits that ended before the replacement began are undone by it.
        if (last && !wiped && edit.end >= last->start) {
            WipeForReplacement(e);
            wiped = true;
        }
        const bool decides = edit.ReportedDone() && (!last || edit.start > last->end);
        if (decides) {
            ApplyDone(edit, e, violations);
        } else {
            ApplyMaybe(edit, e);
        }
    }
    if (last && !wiped) WipeForReplacement(e);
    return e;
}

}  // namespace varnok::torture
