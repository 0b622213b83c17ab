#include "update/SwitchJournal.h"

#include "net/Diagnostic.h"
#include "os/DiskFlush.h"
#include "os/OutputFile.h"
#include "text/CharClass.h"
#include "text/FormatString.h"
#include "text/StringUtil.h"
#include "update/FileDigest.h"
#include "update/FileStatus.h"
#include "update/ListedPath.h"
#include "update/ListingTrust.h"
#include "update/LocalPath.h"
#include "update/LocalPlacement.h"
#include "update/LocalRemoval.h"
#include "update/StagedFile.h"
#include "update/StateFolder.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>

namespace {

// The journal's first line names the layout and the switch: "brenhold-journal 2 ID". The
// files a switch sets aside are named by that ID and the number of their move.
constexpr char kJournalOpening[] = "brenhold-journal 2 ";
constexpr char kJournalEnd[] = "end";

struct Journal {
    std::string id; // decimal digits
    SwitchPlan plan;
};

std::string NextRecordPath()
{
    return std::string(state::kRecord) + ".next";
}

std::string AsidePath(const std::string& id, std::size_t move)
{
    return FormatString("%s/%s-%u", state::kAside, id.c_str(), static_cast<unsigned>(move));
}

// An ID that none of the files earlier switches set aside (and could not remove, as a
// program in use on Windows) is named by.
std::string NewJournalId()
{
    const std::vector<FolderEntry> left = FolderEntries(state::kAside);
    for (auto id = static_cast<unsigned long long>(std::time(nullptr));; ++id) {
        const std::string prefix = std::to_string(id) + "-";
        if (std::none_of(left.begin(), left.end(),
                         [&](const FolderEntry& entry) { return entry.name.compare(0, prefix.size(), prefix) == 0; }))
            return std::to_string(id);
    }
}

std::string JournalText(const Journal& journal)
{
    std::string text = kJournalOpening + journal.id + "\n";
    for (const SwitchPlan::Move& move : journal.plan.moves)
        text += FormatString("move %u %u %s %s\n", move.time, move.size,
                             move.sha256.empty() ? "-" : move.sha256.c_str(), move.path.c_str());
    for (const std::string& path : journal.plan.removals)
        text += "remove " + path + "\n";
    return text + kJournalEnd + "\n";
}

bool IsDecimal(const std::string& text)
{
    if (text.empty() || text.size() > 10)
        return false;
    for (char c : text) {
        if (!IsDigit(c))
            return false;
    }
    return text.size() < 10 || text <= "4294967295";
}

// The next space-separated word of line, taken off its front.
std::string TakeWord(std::string& line)
{
    const std::size_t space = line.find(' ');
    std::string word = line.substr(0, space);
    line.erase(0, space == std::string::npos ? line.size() : space + 1);
    return word;
}

// Why a path read from the journal is not one the client may touch; empty when it may.
std::string PathRefusal(const std::string& path)
{
    std::string reason = UnsafeListedPathReason(path);
    if (reason.empty())
        reason = ShortNameReason(path);
    return reason;
}

// The journal file read whole, every line checked as input from outside; reason tells why
// it is not one whole journal of this client when it returns false. A journal is written
// through a temporary file, so a half one was never put in place by the client.
bool ReadJournal(Journal& journal, std::string& reason)
{
    std::ifstream in(state::kJournal, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t at = 0;
    bool opened = false;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            reason = "a line is cut off";
            return false;
        }
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!opened) {
            const std::string opening(kJournalOpening);
            if (line.compare(0, opening.size(), opening) != 0 || line.size() == opening.size() ||
                line.find_first_not_of("0123456789", opening.size()) != std::string::npos) {
                reason = "unknown first line";
                return false;
            }
            journal.id = line.substr(opening.size());
            opened = true;
            continue;
        }
        if (line == kJournalEnd) {
            if (at == text.size())
                return true;
            reason = "lines after its end";
            return false;
        }
        const std::string verb = TakeWord(line);
        std::string path;
        if (verb == "move") {
            SwitchPlan::Move move;
            const std::string time = TakeWord(line);
            const std::string size = TakeWord(line);
            move.sha256 = TakeWord(line);
            if (!IsDecimal(time) || !IsDecimal(size) || (move.sha256 != "-" && !IsListedChecksum(move.sha256))) {
                reason = "a malformed move";
                return false;
            }
            if (move.sha256 == "-")
                move.sha256.clear();
            move.time = ToUnsigned(time);
            move.size = ToUnsigned(size);
            move.path = path = line;
            journal.plan.moves.push_back(move);
        } else if (verb == "remove") {
            journal.plan.removals.push_back(path = line);
        } else {
            reason = "an unknown line";
            return false;
        }
        if (const std::string refusal = PathRefusal(path); !refusal.empty()) {
            reason = "the path \"" + EscapeControlCharacters(path) + "\": " + refusal;
            return false;
        }
    }
    reason = opened ? "no end line" : "it is empty";
    return false;
}

void MakeFoldersOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos)
        createDirectories(path.substr(0, slash + 1).c_str());
}

bool MoveMakingFolders(const std::string& from, const std::string& to, DiskFlush& moves)
{
    if (moves.move(from, to))
        return true;
    MakeFoldersOf(to);
    return moves.move(from, to);
}

// Carries out the moves of a journal from the first; a move done before a cut (its staged
// file is gone) is only stamped again. Answers how many moves are done: all of them, or
// the number of the one that failed. A move that replaces a file sets that file aside
// first, and only a regular file is ever set aside. When verify is set, a staged file is
// put in place only when it matches the journal's size and checksum.
std::size_t PutInPlace(const Journal& journal, bool verify, const SwitchCheckpoint& checkpoint,
                       DiskFlush& moves)
{
    const std::vector<SwitchPlan::Move>& all = journal.plan.moves;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const SwitchPlan::Move& move = all[i];
        const std::string staged = StagedFile::DataPath(move.path);
        const std::string target = LocalPath(move.path);
        const std::string aside = AsidePath(journal.id, i);
        // Built by appending: GCC 12's restrict warning misfires on a literal + string here.
        std::string shown = "\"";
        shown += EscapeControlCharacters(move.path);
        shown += '"';
        if (QueryFileStatus(staged.c_str()).exists) {
            if (verify && !FileMatches(staged, move.size, move.sha256)) {
                WriteDiagnostic("The staged " + shown + " does not match the journal's checksum");
                return i;
            }
            const FileStatus present = QueryFileStatus(target.c_str());
            if (present.exists && present.isFolder) {
                WriteDiagnostic("A folder stands where " + shown + " is to be put");
                return i;
            }
            if (present.exists) {
                if (QueryFileStatus(aside.c_str()).exists || !MoveMakingFolders(target, aside, moves)) {
                    WriteDiagnostic("Cannot set aside the installed " + shown);
                    return i;
                }
                checkpoint();
            }
            if (!MoveMakingFolders(staged, target, moves)) {
                WriteDiagnostic("Cannot put " + shown + " in place");
                return i;
            }
        }
        if (!QueryFileStatus(target.c_str()).exists)
            WriteDiagnostic(shown + " is missing after the switch");
        else
            stampFile(target.c_str(), move.time);
        checkpoint();
    }
    return all.size();
}

// Undoes the first count moves of a journal, the last first: a file put in place goes back
// to the staging area (where a later run takes it up again), and what was set aside for it
// goes back in place. False when something could not be moved back.
bool Undo(const Journal& journal, std::size_t count, const SwitchCheckpoint& checkpoint, DiskFlush& moves)
{
    bool whole = true;
    for (std::size_t i = count; i-- > 0;) {
        const SwitchPlan::Move& move = journal.plan.moves[i];
        const std::string staged = StagedFile::DataPath(move.path);
        const std::string target = LocalPath(move.path);
        const std::string aside = AsidePath(journal.id, i);
        const bool moved = !QueryFileStatus(staged.c_str()).exists;
        if (moved && QueryFileStatus(target.c_str()).exists && !MoveMakingFolders(target, staged, moves)) {
            whole = false;
            continue;
        }
        if (QueryFileStatus(aside.c_str()).exists) {
            if (!MoveMakingFolders(aside, target, moves))
                whole = false;
        } else {
            // A new file's folders were made by the switch.
            RemoveEmptyFoldersOf(target);
        }
        checkpoint();
    }
    return moves.flush() && whole;
}

// Removes the journal and what only it needed, once the installation is whole again.
void Close(const Journal& journal, const SwitchCheckpoint& checkpoint)
{
    RemoveLocalFile(state::kJournal);
    checkpoint();
    for (std::size_t i = 0; i < journal.plan.moves.size(); ++i)
        RemoveLocalFile(AsidePath(journal.id, i));
    RemoveEmptyFolder(state::kAside);
}

SwitchEnd CarryOut(const Journal& journal, bool verify, const SwitchCheckpoint& checkpoint, std::string& failedPath)
{
    DiskFlush moves;
    const std::size_t done = PutInPlace(journal, verify, checkpoint, moves);
    if (done < journal.plan.moves.size()) {
        failedPath = journal.plan.moves[done].path;
        if (!Undo(journal, done + 1, checkpoint, moves)) {
            WriteDiagnostic("Cannot undo the switch; the next start tries again");
            return SwitchEnd::Pending;
        }
        Close(journal, checkpoint);
        RemoveLocalFile(NextRecordPath());
        return SwitchEnd::Undone;
    }
    // The journal goes only once every move it names is on the disk.
    if (!moves.flush()) {
        WriteDiagnostic("Cannot flush the switched files to disk; the next start tries again");
        return SwitchEnd::Pending;
    }
    for (const std::string& path : journal.plan.removals) {
        if (!RemoveListedFile(path))
            WriteDiagnostic("Cannot remove withdrawn file \"" + EscapeControlCharacters(path) + "\"");
        checkpoint();
    }
    if (QueryFileStatus(NextRecordPath().c_str()).exists)
        MoveFileDurably(NextRecordPath(), state::kRecord);
    checkpoint();
    Close(journal, checkpoint);
    RemoveTree(state::kStaging);
    return SwitchEnd::Switched;
}

} // namespace

SwitchEnd SwitchOver(const SwitchPlan& plan, const InstallRecord& next, const SwitchCheckpoint& checkpoint,
                     std::string& failedPath)
{
    DiskFlush staged;
    for (const SwitchPlan::Move& move : plan.moves)
        staged.add(StagedFile::DataPath(move.path));
    if (!staged.flush()) {
        WriteDiagnostic("Cannot flush the staged files to disk; the installation stays as it was");
        return SwitchEnd::NotStarted;
    }
    createDirectories((std::string(state::kFolder) + "/").c_str());
    const Journal journal{NewJournalId(), plan};
    if (!next.save(NextRecordPath()) || !WriteFileDurably(state::kJournal, JournalText(journal))) {
        WriteDiagnostic("Cannot write the journal of the switch; the installation stays as it was");
        return SwitchEnd::NotStarted;
    }
    checkpoint();
    return CarryOut(journal, false, checkpoint, failedPath);
}

bool CompleteInterruptedSwitch(const SwitchCheckpoint& checkpoint, const SwitchNote& note)
{
    if (!QueryFileStatus(state::kJournal).exists)
        return true;
    Journal journal;
    std::string reason;
    if (!ReadJournal(journal, reason)) {
        // Not a journal this client wrote whole: nothing it names is acted on, and the
        // staging area it may refer to goes with it.
        WriteDiagnostic("Refusing a damaged switch journal (" + reason + "); it is removed and nothing is moved");
        note("refused a damaged switch journal: " + reason);
        RemoveLocalFile(NextRecordPath());
        RemoveTree(state::kStaging);
        RemoveLocalFile(state::kJournal);
        return true;
    }
    WriteDiagnostic("Completing an interrupted update");
    std::string failedPath;
    const SwitchEnd end = CarryOut(journal, true, checkpoint, failedPath);
    if (end == SwitchEnd::Switched) {
        note("completed an interrupted switch");
    } else if (end == SwitchEnd::Undone) {
        WriteDiagnostic("The interrupted update was undone at \"" + EscapeControlCharacters(failedPath) + "\"");
        note("undid an interrupted switch at \"" + EscapeControlCharacters(failedPath) + "\"");
    }
    return end != SwitchEnd::Pending;
}

void RemoveSetAsideFiles()
{
    for (const FolderEntry& entry : FolderEntries(state::kAside)) {
        if (!entry.isFolder)
            RemoveLocalFile(std::string(state::kAside) + "/" + entry.name);
    }
}
