#include "update/Updater.h"

#include "filetree/FileTree.h"
#include "net/Diagnostic.h"
#include "net/UpdateServer.h"
#include "os/OutputFile.h"
#include "shell/SpecialFolder.h"
#include "text/Field.h"
#include "text/FormatString.h"
#include "text/StringUtil.h"
#include "text/UserTexts.h"
#include "update/FileStatus.h"
#include "update/InstallRecord.h"
#include "update/ListedPath.h"
#include "update/ListingSerials.h"
#include "update/LocalPath.h"
#include "update/LocalPlacement.h"
#include "update/LocalRemoval.h"
#include "update/ProcessControl.h"
#include "update/RunLog.h"
#include "update/StagedFile.h"
#include "update/StateFolder.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <iostream>

namespace {

constexpr int kListingCommand = 15;
constexpr int kFileCommand = 16;
constexpr int kHttpOk = 200;
constexpr int kHttpPartial = 206;

// The first byte of a partial reply ("Content-Range: bytes N-M/T"); none gives UINT64_MAX.
std::uint64_t RangeStartOf(const std::string& header)
{
    std::string lower;
    for (const char c : header)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string name = "\ncontent-range:";
    std::size_t at = lower.find(name);
    if (at == std::string::npos)
        return UINT64_MAX;
    at = lower.find_first_not_of(' ', at + name.size());
    if (at == std::string::npos || lower.compare(at, 6, "bytes ") != 0)
        return UINT64_MAX;
    at += 6;
    std::uint64_t start = 0;
    std::size_t digits = 0;
    for (; at < lower.size() && std::isdigit(static_cast<unsigned char>(lower[at])) && digits < 19; ++at, ++digits)
        start = start * 10 + static_cast<std::uint64_t>(lower[at] - '0');
    return digits > 0 && at < lower.size() && lower[at] == '-' ? start : UINT64_MAX;
}

std::string ValueText(const FileTreeRow& row, std::size_t i)
{
    const TypedValue* value = row.valueAt(i);
    return value != nullptr ? value->Text() : std::string();
}

} // namespace

Updater::Updater()
{
    serverHost = ConfiguredUpdateServer().host;
    receiveBlockSize = kDownloadBlockSize;
    setWaitObserver(this);
}

void Updater::runUpdate()
{
    endRun(bringUpToDate());
}

void Updater::endRun(RunEnd end)
{
    if (onFinished)
        onFinished(*this);
    if (end == RunEnd::Cancelled) {
        std::cerr << "Update cancelled by the user" << std::endl;
        std::exit(kExitCancelled);
    }
    if (end == RunEnd::StartProgram)
        StartProgramInPlace(LocalPath(programPath.Text()));
    std::exit(0);
}

Updater::RunEnd Updater::bringUpToDate()
{
    ShowWaitCursor();
    outcome_ = Outcome::Done;
    programUpdated_ = false;
    showStatus(texts::kReadingListing);

    // A switch cut off by a kill or a power loss is completed before anything else, even
    // when the server cannot be reached: the product must not start as a mix.
    const std::string mainDir = LocalPath(mainDirectory.Text());
    const bool installed = ChangeDirectory(mainDir);
    if (installed) {
        if (!CompleteInterruptedSwitch(checkpoint))
            logEvent("an interrupted switch could not be completed");
        RemoveSetAsideFiles();
    }

    FileTree tree;
    const bool listed = readListing(tree);
    if (cancelRequested_)
        return cancelled();

    if (!installed) {
        // The main directory is a directory even when a "." in its path (a folder such as
        // first.last) would make it look like a file name.
        createDirectories((mainDir + "/").c_str());
        if (!ChangeDirectory(mainDir))
            return RunEnd::Exit;
    }
    std::vector<RowPlan> plans = planRows(tree);

    if (listed && fitsOnDisk(plans)) {
        const int rowCount = static_cast<int>(plans.size());
        int failed = 0;
        for (int i = 0; i < rowCount; ++i) {
            idle();
            if (cancelRequested_)
                return cancelled();
            const RowPlan& plan = plans[static_cast<std::size_t>(i)];
            showStatus(FormatString(texts::kCheckFileFormat, i + 1, rowCount, plan.path.c_str()));
            if (!plan.refusal.empty()) {
                std::cerr << "Skipping listed file \"" << EscapeControlCharacters(plan.path) << "\": " << plan.refusal << std::endl;
                logEvent("skipped \"" + EscapeControlCharacters(plan.path) + "\": " + plan.refusal);
                continue;
            }
            if (!plan.needed)
                continue;
            showStatus(FormatString(texts::kDownloadFileFormat, i + 1, rowCount, plan.path.c_str()));
            if (!stageFile(plan.file))
                ++failed;
        }
        if (cancelRequested_)
            return cancelled();
        if (failed > 0) {
            outcome_ = Outcome::FilesFailed;
            WriteDiagnostic(FormatString("%d file(s) could not be fetched; the installation stays as it was", failed));
            logEvent(FormatString("%d file(s) failed: nothing switched", failed));
        } else {
            switchTo(plans);
        }
    }

    if (programPath.Text().empty() || !startsProgram)
        return RunEnd::Exit;
    showStatus(texts::kStarting + productName.Text());
    return RunEnd::StartProgram;
}

Updater::RunEnd Updater::cancelled()
{
    outcome_ = Outcome::Cancelled;
    logEvent("cancelled by the user");
    return RunEnd::Cancelled;
}

// Fetches the listing into tree; false when there is none to follow, because the server
// gave none or it was not trusted.
bool Updater::readListing(FileTree& tree)
{
    CommandClient listing(kListingCommand);
    listing.setTimeouts(timeouts());
    listing.setWaitObserver(this);
    // A signed listing is checked byte for byte as it came.
    listing.foldsCharset = false;
    listing.receiveBlockSize = kDownloadBlockSize;
    WriteField(listing.commandStream, productName.Text());
    std::string body = listing.postCommand();
    if (body.empty() || listing.statusCode() != kHttpOk) {
        outcome_ = Outcome::ServerUnreachable;
        logEvent(FormatString("no listing: status %d, %u bytes", listing.statusCode(),
                              static_cast<unsigned>(body.size())));
        return false;
    }

    signedListing_ = trust.requiresSignature();
    if (!signedListing_) {
        WriteDiagnostic("This client was built without trusted keys: the listing is taken unchecked");
        logEvent("unsigned listing taken unchecked");
        if (listing.declaresUtf8())
            HttpClient::foldUtf8(body);
        tree.readListing(body);
        return true;
    }

    const std::uint64_t lastSerial = serials != nullptr ? serials->lastSerial(productName.Text()) : 0;
    const ListingVerdict verdict =
        trust.check(body, productName.Text(), lastSerial, static_cast<std::uint64_t>(std::time(nullptr)), tree);
    if (!verdict.accepted) {
        tree.clear();
        outcome_ = Outcome::ListingRefused;
        showStatus(texts::kListingUntrusted);
        WriteDiagnostic("Listing refused: " + verdict.reason);
        logEvent("listing refused: " + verdict.reason);
        return false;
    }
    if (serials != nullptr)
        serials->remember(productName.Text(), verdict.serial);
    logEvent(FormatString("listing accepted: key %s, serial %llu", verdict.keyId.c_str(),
                          static_cast<unsigned long long>(verdict.serial)));
    return true;
}

// Looks at every row before anything is fetched, so that the space a run needs is known
// before its first download.
std::vector<Updater::RowPlan> Updater::planRows(FileTree& tree) const
{
    std::vector<RowPlan> plans;
    plans.reserve(tree.rowCount());
    while (const FileTreeRow* row = tree.nextRow()) {
        RowPlan plan;
        plan.path = ValueText(*row, 0);
        if (row->valueCount() < 3)
            plan.refusal = "the row has fewer than three values";
        else
            plan.refusal = UnsafeListedPathReason(plan.path);
        if (plan.refusal.empty() && signedListing_ && !IsListedChecksum(ValueText(*row, 3)))
            plan.refusal = "the row has no checksum";
        if (plan.refusal.empty()) {
            plan.file = {plan.path, ToUnsigned(ValueText(*row, 1)), ToUnsigned(ValueText(*row, 2)),
                         signedListing_ ? ValueText(*row, 3) : std::string()};
            const FileStatus local = QueryFileStatus(LocalPath(plan.path).c_str());
            plan.present = local.exists;
            plan.needed = !(local.exists && local.creationTime >= plan.file.time);
        }
        plans.push_back(std::move(plan));
    }
    return plans;
}

bool Updater::fitsOnDisk(const std::vector<RowPlan>& plans)
{
    std::uint64_t needed = 0;
    for (const RowPlan& plan : plans) {
        if (plan.needed)
            needed += plan.file.size - std::min<std::uint64_t>(plan.file.size, StagedFile::StagedBytes(plan.path));
    }
    const std::uint64_t free = FreeSpaceAt(".");
    if (needed <= free)
        return true;
    outcome_ = Outcome::FilesFailed;
    showStatus(FormatString(texts::kNoSpaceFormat, FormatByteSize(needed).c_str(), FormatByteSize(free).c_str()));
    WriteDiagnostic(FormatString("Not enough space: %llu bytes needed, %llu free; nothing fetched",
                                 static_cast<unsigned long long>(needed), static_cast<unsigned long long>(free)));
    logEvent("not enough space: nothing fetched");
    return false;
}

bool Updater::stageFile(const PlannedFile& file)
{
    StagedFile staged(file);
    if (!staged.prepare()) {
        WriteDiagnostic("Cannot write the staging area for \"" + EscapeControlCharacters(file.path) + "\"");
        logEvent("failed \"" + EscapeControlCharacters(file.path) + "\": the staging area cannot be written");
        return false;
    }
    if (staged.complete()) {
        logEvent("already staged \"" + EscapeControlCharacters(file.path) + "\"");
        return true;
    }
    const std::uint64_t offset = staged.offset();

    resetCommand(kFileCommand);
    WriteField(commandStream, productName.Text());
    WriteField(commandStream, file.path);
    range = offset > 0 ? FormatString("bytes=%llu-", static_cast<unsigned long long>(offset)) : std::string();

    progressShift = 0;
    while ((static_cast<std::uint64_t>(file.size) >> progressShift) > INT_MAX)
        ++progressShift;
    bytesReceived = offset;
    setProgressRange(0, progressOf(file.size));
    setProgressPos(progressOf(offset));
    bodyLimit = file.size;

    staging_ = &staged;
    firstBlock_ = true;
    replyTaken_ = false;
    postCommand();
    staging_ = nullptr;
    range.clear();
    bodyLimit = kInMemoryBodyLimit;
    bytesReceived = 0;
    setProgressPos(0);
    if (cancelRequested_) {
        // What arrived stays staged: the next run continues it.
        staged.finish();
        return false;
    }

    std::string failure = staged.finish();
    const int status = statusCode();
    // A reply that is no file (an error page) is never written: what was staged stays.
    if (status != kHttpOk && status != kHttpPartial)
        failure = FormatString("status %d", status);
    else if (!firstBlock_ && !replyTaken_)
        failure = "the server continued at another byte";
    if (!failure.empty()) {
        WriteDiagnostic("Download of \"" + EscapeControlCharacters(file.path) + "\" failed: " + failure);
        logEvent("failed \"" + EscapeControlCharacters(file.path) + "\": " + failure);
        return false;
    }
    if (status == kHttpPartial)
        logEvent(FormatString("resumed \"%s\" at byte %llu", EscapeControlCharacters(file.path).c_str(),
                              static_cast<unsigned long long>(offset)));
    else
        logEvent("downloaded \"" + EscapeControlCharacters(file.path) + "\"");
    return true;
}

bool Updater::consumeData(const char* bytes, int count)
{
    if (staging_ != nullptr && firstBlock_) {
        firstBlock_ = false;
        replyTaken_ = staging_->begin(statusCode(), RangeStartOf(header()));
        if (replyTaken_ && statusCode() == kHttpOk)
            bytesReceived = 0;
    }
    if (staging_ != nullptr && replyTaken_)
        staging_->write(bytes, static_cast<std::size_t>(count));
    bytesReceived += static_cast<std::uint64_t>(count);
    setProgressPos(progressOf(bytesReceived));
    checkpoint();
    return true;
}

void Updater::switchTo(const std::vector<RowPlan>& plans)
{
    const InstallRecord old = InstallRecord::Load(state::kRecord);
    InstallRecord next;
    SwitchPlan plan;
    std::set<std::string> listed;
    bool programMoves = false;
    for (const RowPlan& row : plans) {
        listed.insert(row.path);
        if (!row.refusal.empty()) {
            // A row the run cannot use is skipped, not withdrawn: a file installed for it
            // stays, and stays in the record.
            if (old.paths.count(row.path) != 0)
                next.paths.insert(row.path);
            continue;
        }
        if (row.needed) {
            plan.moves.push_back({row.path, row.file.time});
            programMoves = programMoves || row.path == programPath.Text();
        }
        if (row.needed || row.present)
            next.paths.insert(row.path);
    }
    for (const std::string& path : old.paths) {
        if (listed.count(path) == 0)
            plan.removals.push_back(path);
    }

    if (plan.moves.empty() && plan.removals.empty()) {
        // Nothing staged is needed any more: what a run cut off after its switch left, or
        // a partial download of a file that is current now.
        RemoveTree(state::kStaging);
        // The first run of a client that keeps a record takes note of what it found.
        if (next.paths != old.paths) {
            createDirectories((std::string(state::kFolder) + "/").c_str());
            next.save(state::kRecord);
        }
        return;
    }
    if (!SwitchOver(plan, next, checkpoint)) {
        outcome_ = Outcome::FilesFailed;
        logEvent("the switch could not be completed");
        return;
    }
    logEvent(FormatString("switched: %u file(s) put in place, %u removed", static_cast<unsigned>(plan.moves.size()),
                          static_cast<unsigned>(plan.removals.size())));
    for (const std::string& path : plan.removals)
        logEvent("removed \"" + EscapeControlCharacters(path) + "\"");
    if (programMoves) {
        programUpdated_ = true;
        placeProductShortcuts(programPath.Text());
    }
}

void Updater::placeProductShortcuts(const std::string& path)
{
    const std::string target = mainDirectory.Text() + RightChars(path, path.size() - 1);
    placeShortcut(productName.Text(), target.c_str(), kDesktopFolder);
    placeShortcut(productName.Text(), target.c_str(), kProgramsFolder);
}

int Updater::progressOf(std::uint64_t bytes) const
{
    const std::uint64_t position = bytes >> progressShift;
    return position > INT_MAX ? INT_MAX : static_cast<int>(position);
}

void Updater::showStatus(std::string text)
{
    if (text.size() > kStatusLimit)
        text.resize(kStatusLimit);
    setStatusText(std::move(text));
}

void Updater::logEvent(const std::string& line)
{
    if (log != nullptr)
        log->write(line);
}

void Updater::setStatusText(std::string) {}

void Updater::setProgressRange(int, int) {}

void Updater::setProgressPos(int) {}

void Updater::idle() {}
