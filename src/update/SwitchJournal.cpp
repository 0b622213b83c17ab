#include "update/SwitchJournal.h"

#include "os/DiskFlush.h"
#include "os/OutputFile.h"
#include "text/FormatString.h"
#include "text/StringUtil.h"
#include "update/FileStatus.h"
#include "update/LocalPath.h"
#include "update/LocalPlacement.h"
#include "update/LocalRemoval.h"
#include "update/StagedFile.h"
#include "update/StateFolder.h"

#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

constexpr char kJournalOpening[] = "brenhold-journal 1";
constexpr char kJournalEnd[] = "end";

std::string NextRecordPath()
{
    return std::string(state::kRecord) + ".next";
}

std::string JournalText(const SwitchPlan& plan)
{
    std::string text = std::string(kJournalOpening) + "\n";
    for (const SwitchPlan::Move& move : plan.moves)
        text += FormatString("move %u %s\n", move.time, move.path.c_str());
    for (const std::string& path : plan.removals)
        text += "remove " + path + "\n";
    return text + kJournalEnd + "\n";
}

// The plan of a journal file; false when there is none or it is not one whole journal
// (it is written through a temporary file, so a half one was never put in place).
bool ReadJournal(SwitchPlan& plan)
{
    std::ifstream in(state::kJournal, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != kJournalOpening)
        return false;
    while (std::getline(in, line)) {
        if (line == kJournalEnd)
            return true;
        if (line.compare(0, 5, "move ") == 0) {
            const std::size_t space = line.find(' ', 5);
            if (space == std::string::npos)
                return false;
            plan.moves.push_back({line.substr(space + 1), ToUnsigned(line.substr(5, space - 5))});
        } else if (line.compare(0, 7, "remove ") == 0) {
            plan.removals.push_back(line.substr(7));
        } else {
            return false;
        }
    }
    return false;
}

void MakeFoldersOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos)
        createDirectories(path.substr(0, slash + 1).c_str());
}

// Moves an installed file that cannot be replaced (a running program on Windows) into
// the state folder, where a later run removes it.
bool SetAside(const std::string& target, std::size_t number)
{
    createDirectories((std::string(state::kAside) + "/").c_str());
    const std::string aside =
        FormatString("%s/%lld-%u", state::kAside, static_cast<long long>(std::time(nullptr)), static_cast<unsigned>(number));
    return MoveFileDurably(target, aside);
}

// Puts one staged file in place; the move is on the disk once moves is flushed. A move
// that already happened before a cut leaves no staged file: then only the stamp is given
// again. A target's folders are made only when the move finds them missing.
bool PutInPlace(const SwitchPlan::Move& move, std::size_t number, DiskFlush& moves)
{
    const std::string staged = StagedFile::DataPath(move.path);
    const std::string target = LocalPath(move.path);
    if (QueryFileStatus(staged.c_str()).exists && !moves.move(staged, target)) {
        MakeFoldersOf(target);
        if (!moves.move(staged, target) && !(SetAside(target, number) && moves.move(staged, target))) {
            std::cerr << "Cannot put \"" << move.path << "\" in place" << std::endl;
            return false;
        }
    }
    if (!QueryFileStatus(target.c_str()).exists) {
        std::cerr << "\"" << move.path << "\" is missing after the switch" << std::endl;
        return true;
    }
    stampFile(target.c_str(), move.time);
    return true;
}

bool CarryOut(const SwitchPlan& plan, const SwitchCheckpoint& checkpoint)
{
    bool whole = true;
    DiskFlush moves;
    for (std::size_t i = 0; i < plan.moves.size(); ++i) {
        whole = PutInPlace(plan.moves[i], i, moves) && whole;
        checkpoint();
    }
    // The journal goes only once every move it names is on the disk.
    if (!moves.flush()) {
        std::cerr << "Cannot flush the switched files to disk" << std::endl;
        whole = false;
    }
    for (const std::string& path : plan.removals) {
        if (!RemoveListedFile(path))
            std::cerr << "Cannot remove withdrawn file \"" << path << "\"" << std::endl;
        checkpoint();
    }
    if (!whole)
        return false; // the journal stays, and the next start tries again
    if (QueryFileStatus(NextRecordPath().c_str()).exists)
        MoveFileDurably(NextRecordPath(), state::kRecord);
    checkpoint();
    RemoveLocalFile(state::kJournal);
    checkpoint();
    RemoveTree(state::kStaging);
    return true;
}

} // namespace

bool SwitchOver(const SwitchPlan& plan, const InstallRecord& next, const SwitchCheckpoint& checkpoint)
{
    DiskFlush staged;
    for (const SwitchPlan::Move& move : plan.moves)
        staged.add(StagedFile::DataPath(move.path));
    if (!staged.flush()) {
        std::cerr << "Cannot flush the staged files to disk; the installation stays as it was" << std::endl;
        return false;
    }
    createDirectories((std::string(state::kFolder) + "/").c_str());
    if (!next.save(NextRecordPath()) || !WriteFileDurably(state::kJournal, JournalText(plan))) {
        std::cerr << "Cannot write the journal of the switch; the installation stays as it was" << std::endl;
        return false;
    }
    checkpoint();
    return CarryOut(plan, checkpoint);
}

bool CompleteInterruptedSwitch(const SwitchCheckpoint& checkpoint)
{
    if (!QueryFileStatus(state::kJournal).exists)
        return true;
    SwitchPlan plan;
    if (!ReadJournal(plan)) {
        std::cerr << "Ignoring an unreadable switch journal" << std::endl;
        RemoveLocalFile(state::kJournal);
        return true;
    }
    std::cerr << "Completing an interrupted update" << std::endl;
    return CarryOut(plan, checkpoint);
}

void RemoveSetAsideFiles()
{
    for (const FolderEntry& entry : FolderEntries(state::kAside))
        RemoveLocalFile(std::string(state::kAside) + "/" + entry.name);
}
