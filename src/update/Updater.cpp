#include "update/Updater.h"

#include "filetree/FileTree.h"
#include "net/Diagnostic.h"
#include "net/Proxy.h"
#include "net/Redirect.h"
#include "net/UpdateServer.h"
#include "os/OutputFile.h"
#include "text/Field.h"
#include "text/FormatString.h"
#include "text/StringUtil.h"
#include "text/UserTexts.h"
#include "update/FileDigest.h"
#include "update/ClientCopy.h"
#include "update/FileStatus.h"
#include "update/InstallRecord.h"
#include "update/InstalledHashes.h"
#include "update/ListedPath.h"
#include "update/ListingSerials.h"
#include "update/LocalPath.h"
#include "update/LocalPlacement.h"
#include "update/LocalRemoval.h"
#include "update/ParallelDownloads.h"
#include "update/PathKey.h"
#include "update/PayloadFetch.h"
#include "update/PayloadMaker.h"
#include "update/ProcessControl.h"
#include "update/RunLog.h"
#include "update/StagedFile.h"
#include "update/StateFolder.h"
#include "update/TwoThreads.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <future>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr int kListingCommand = 15;
constexpr int kFileCommand = 16;
constexpr int kPayloadCommand = 17;
constexpr int kHttpOk = 200;
constexpr int kHttpPartial = 206;

const std::string& ValueText(const FileTreeRow& row, std::size_t i)
{
    static const std::string kNone;
    const TypedValue* value = row.valueAt(i);
    return value != nullptr ? value->text : kNone;
}

// Value i's text, moved out of the row; empty when the row has no value i.
std::string TakeValueText(FileTreeRow& row, std::size_t i)
{
    TypedValue* value = row.valueAt(i);
    return value != nullptr ? std::move(value->text) : std::string();
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
    // A run never stages into a tree that a pending journal still refers to.
    bool switchPending = false;
    if (installed) {
        switchPending = !CompleteInterruptedSwitch(checkpoint, [this](const std::string& line) { logEvent(line); });
        if (switchPending)
            logEvent("an interrupted switch could neither be completed nor undone: nothing is fetched");
        else
            RemoveSetAsideFiles();
        RecoverClientCopy();
    }
    // Over many files, reading the record takes about as long as the server takes to begin
    // its listing: it is read meanwhile, on a thread of its own.
    recordLoad_ = std::async([installed] { return installed ? InstallRecord::Load(state::kRecord) : InstallRecord(); });
    accepted_ = AcceptedListing();

    FileTree tree;
    const bool listed = readListing(tree);
    takeRecord();
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
    // The plans hold what the run needs of the rows: their memory goes before the switch
    // takes its own.
    tree.clear();

    if (listed && switchPending) {
        outcome_ = Outcome::FilesFailed;
    } else if (listed && fitsOnDisk(plans)) {
        const int failed = stageNeededFiles(plans);
        if (cancelRequested_)
            return cancelled();
        if (failed > 0) {
            outcome_ = Outcome::FilesFailed;
            WriteDiagnostic(
                FormatString("%d file(s) could not be fetched; the installation stays as it was", failed));
            logEvent(FormatString("%d file(s) failed: nothing switched", failed));
        } else {
            switchTo(plans);
            if (outcome_ == Outcome::Done)
                settleClient(tree.headerText2, plans);
        }
    }

    if (programPath.Text().empty() || !startsProgram)
        return RunEnd::Exit;
    showStatus(texts::kStarting + productName.Text());
    return RunEnd::StartProgram;
}

// Waits for the record the run began to read, once, and reports the rows it refused.
void Updater::takeRecord()
{
    if (!recordLoad_.valid())
        return;
    record_ = recordLoad_.get();
    for (const std::string& line : record_.refused) {
        WriteDiagnostic(line);
        logEvent(line);
    }
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
    productVersion_.clear();
    CommandClient listing(kListingCommand);
    listing.setTimeouts(timeouts());
    listing.setWaitObserver(this);
    // A signed listing is checked byte for byte as it came.
    listing.foldsCharset = false;
    listing.receiveBlockSize = kDownloadBlockSize;
    listing.tlsTrust = tlsTrust;
    WriteField(listing.commandStream, productName.Text());
    listing.exchangeCommand();
    const std::string& body = listing.body();
    for (const std::string& line : listing.redirectLines())
        logEvent(line);
    // The files are fetched where the listing came from.
    moveTo(listing.commandTarget());
    if (body.empty() || listing.statusCode() != kHttpOk) {
        outcome_ = Outcome::ServerUnreachable;
        if (!listing.failure().empty())
            logEvent("no listing: " + listing.failure());
        else
            logEvent(FormatString("no listing: status %d, %u bytes", listing.statusCode(),
                                  static_cast<unsigned>(body.size())));
        return false;
    }

    signedListing_ = trust.requiresSignature();
    if (!signedListing_) {
        WriteDiagnostic("This client was built without trusted keys: the listing is taken unchecked");
        logEvent("unsigned listing taken unchecked");
        if (listing.declaresUtf8()) {
            std::string folded = body;
            HttpClient::foldUtf8(folded);
            tree.readListing(folded);
        } else {
            tree.readListing(body);
        }
        return true;
    }

    AcceptedListing known;
    ListingVerdict verdict;
    if (knownListing(known))
        verdict = trust.check(body, productName.Text(), known, static_cast<std::uint64_t>(std::time(nullptr)), tree);
    else
        verdict.reason = "the stored serial of the last accepted listing cannot be read";
    if (!verdict.accepted) {
        tree.clear();
        outcome_ = Outcome::ListingRefused;
        showStatus(texts::kListingUntrusted);
        WriteDiagnostic("Listing refused: " + verdict.reason);
        logEvent("listing refused: " + verdict.reason);
        return false;
    }
    accepted_ = {verdict.serial, verdict.digest};
    if (serials != nullptr)
        serials->remember(productName.Text(), accepted_);
    productVersion_ = verdict.version;
    payloadAddress_.clear();
    for (const ListingHeaderWord& word : verdict.words) {
        if (word.name == kPayloadAddressWord && IsPayloadAddress(word.value)) {
            payloadAddress_ = word.value;
            break;
        }
    }
    logEvent(FormatString("listing accepted: key %s, serial %llu", verdict.keyId.c_str(),
                          static_cast<unsigned long long>(verdict.serial)) +
             (productVersion_.empty() ? "" : ", version " + productVersion_));
    return true;
}

// The newest listing known for the installation: the one the record names or the last one
// this user accepted, whichever is newer. False when neither can be relied on: the stored
// one cannot be read and the record names none.
bool Updater::knownListing(AcceptedListing& known)
{
    takeRecord();
    known = {record_.serial, record_.digest};
    const std::optional<AcceptedListing> stored =
        serials != nullptr ? serials->lastAccepted(productName.Text()) : AcceptedListing();
    if (!stored) {
        logEvent("the stored serial of the last accepted listing cannot be read");
        return known.serial > 0;
    }
    if (stored->serial > known.serial || (stored->serial == known.serial && known.digest.empty()))
        known = *stored;
    return true;
}

// Looks at every row before anything is fetched, so that the space a run needs is known
// before its first download.
std::vector<Updater::RowPlan> Updater::planRows(FileTree& tree) const
{
    const std::size_t count = tree.rowCount();
    std::vector<RowPlan> plans(count);
    // The keys of the rows that passed the checks before the repeat check. Rows in strictly
    // rising key order (as jobgate lists them) repeat none, so the keys go into a set only
    // from the first row out of order on: filled for every row, the set costs more than all
    // the other checks of a row but its file's status.
    std::unordered_set<std::string> keys;
    std::vector<bool> keyed(count);
    std::string lastKey;
    bool rising = true;
    // The tree is cleared once the rows are planned, so the plans take the path and checksum
    // texts out of the rows instead of copying them.
    const auto planRow = [&](std::size_t at) {
        FileTreeRow& row = *tree.rowAt(at);
        RowPlan& plan = plans[at];
        plan.file.path = TakeValueText(row, 0);
        if (row.valueCount() < 3)
            plan.refusal = "the row has fewer than three values";
        else
            plan.refusal = UnsafeListedPathReason(plan.file.path);
        if (plan.refusal.empty() && signedListing_ && !IsListedChecksum(ValueText(row, 3)))
            plan.refusal = "the row has no checksum";
        // "./a" and "a" (and on Windows "A") are one file: only its first row counts.
        keyed[at] = plan.refusal.empty();
        if (plan.refusal.empty()) {
            std::string key = PathKey(plan.file.path);
            if (rising && key > lastKey) {
                lastKey = std::move(key);
            } else {
                if (rising) {
                    rising = false;
                    for (std::size_t i = 0; i < at; ++i) {
                        if (keyed[i])
                            keys.insert(PathKey(plans[i].file.path));
                    }
                }
                if (!keys.insert(std::move(key)).second)
                    plan.refusal = "the file is listed twice";
            }
        }
        if (plan.refusal.empty())
            plan.refusal = ShortNameReason(plan.file.path);
        if (plan.refusal.empty()) {
            plan.file.time = ToUnsigned(ValueText(row, 1));
            plan.file.size = ToUnsigned(ValueText(row, 2));
            // Only a signed listing's checksums and payloads are taken: what payloads give
            // is checked against its SHA-256, which an unsigned listing does not carry.
            if (signedListing_) {
                plan.file.sha256 = TakeValueText(row, 3);
                FilePayloads payloads = RowPayloads(tree, row);
                if (payloads.compressed || !payloads.patches.empty())
                    plan.payloads = std::make_unique<FilePayloads>(std::move(payloads));
            }
        }
    };
    // Over many current files, asking the file system about each is most of a run that
    // fetches nothing: a second thread asks about the rows already planned.
    MakeAndWorkOnTwoThreads(count, planRow, [this, &plans](std::size_t i) {
        if (plans[i].refusal.empty())
            compareWithLocalFile(plans[i]);
    });
    return plans;
}

// Sets from the installed file at plan's path whether it is there, whether a folder stands
// in its place, and whether it is to be fetched. Called for two plans at once.
void Updater::compareWithLocalFile(RowPlan& plan) const
{
    const std::string local = LocalPath(plan.file.path);
    const FileStatus status = QueryFileStatus(local.c_str());
    plan.inTheWay = status.exists && status.isFolder;
    plan.present = status.exists && !status.isFolder;
    plan.needed = !plan.inTheWay &&
                  !(plan.present && status.creationTime >= plan.file.time && status.size == plan.file.size);
    if (repairs && plan.present && !plan.needed && !FileMatches(local, plan.file.size, plan.file.sha256))
        plan.needed = plan.repaired = true;
}

bool Updater::fitsOnDisk(const std::vector<RowPlan>& plans)
{
    stagingIndex_.load();
    std::uint64_t needed = 0;
    for (const RowPlan& plan : plans) {
        if (plan.needed && plan.refusal.empty())
            needed += plan.file.size - std::min<std::uint64_t>(plan.file.size, stagingIndex_.stagedBytes(plan.file));
    }
    const std::uint64_t free = FreeSpaceAt(".");
    if (needed <= free)
        return true;
    outcome_ = Outcome::FilesFailed;
    showStatus(
        FormatString(texts::kNoSpaceFormat, FormatByteSize(needed).c_str(), FormatByteSize(free).c_str()));
    WriteDiagnostic(FormatString("Not enough space: %llu bytes needed, %llu free; nothing fetched",
                                 static_cast<unsigned long long>(needed),
                                 static_cast<unsigned long long>(free)));
    logEvent("not enough space: nothing fetched");
    return false;
}

// Shows every row in listing order and stages the needed ones, several at once; returns
// how many of them failed.
int Updater::stageNeededFiles(const std::vector<RowPlan>& plans)
{
    // Each needed file is fetched the cheapest way first: the progress runs over the bytes
    // that way transfers.
    fetches_.clear();
    fallbacks_.clear();
    failures_ = 0;
    std::uint64_t total = 0;
    std::optional<InstalledHashes> noted;
    for (const RowPlan& plan : plans) {
        if (!plan.needed || !plan.refusal.empty() || plan.inTheWay)
            continue;
        // The installed file's checksum is needed only when a patch could start from it:
        // the one noted when it was placed while its time and size are unchanged, or read now.
        std::string installed;
        if (plan.present && plan.payloads && !plan.payloads->patches.empty()) {
            if (!noted)
                noted = InstalledHashes::Load(state::kHashes);
            const std::string local = LocalPath(plan.file.path);
            installed = noted->find(plan.file.path, QueryFileStatus(local.c_str()));
            if (installed.empty())
                installed = LocalFileSha256(local);
        }
        Fetch fetch{plan.file, FetchOrder(plan.file, plan.payloads ? *plan.payloads : FilePayloads(), installed)};
        total += fetch.order.front().size;
        fetches_.emplace(plan.file.path, std::move(fetch));
    }
    const bool fetches = !fetches_.empty();
    progressShift = 0;
    while ((total >> progressShift) > INT_MAX)
        ++progressShift;
    bytesReceived = 0;
    if (fetches) {
        setProgressRange(0, progressOf(total));
        setProgressPos(0);
    }

    ParallelDownloads downloads(*this, stagingIndex_, ConfiguredTransfers(), timeouts(), kDownloadBlockSize, this);
    downloads.setTlsTrust(tlsTrust);
    hashes_ = &downloads.hashes();
    const int rowCount = static_cast<int>(plans.size());
    int inTheWay = 0;
    for (int i = 0; i < rowCount && !cancelRequested_; ++i) {
        idle();
        if (cancelRequested_)
            break;
        const RowPlan& plan = plans[static_cast<std::size_t>(i)];
        showStatus(FormatString(texts::kCheckFileFormat, i + 1, rowCount, plan.file.path.c_str()));
        if (!plan.refusal.empty()) {
            std::cerr << "Skipping listed file \"" << EscapeControlCharacters(plan.file.path) << "\": " << plan.refusal
                      << std::endl;
            logEvent("skipped \"" + EscapeControlCharacters(plan.file.path) + "\": " + plan.refusal);
            continue;
        }
        if (plan.inTheWay) {
            // A folder is never moved aside for a file: it may be the customer's.
            WriteDiagnostic("A folder stands where \"" + EscapeControlCharacters(plan.file.path) +
                            "\" is listed; the file cannot be installed");
            logEvent("failed \"" + EscapeControlCharacters(plan.file.path) + "\": a folder stands where it is listed");
            ++inTheWay;
            continue;
        }
        if (!plan.needed)
            continue;
        if (plan.repaired)
            logEvent("\"" + EscapeControlCharacters(plan.file.path) + "\" differs from the signed listing: fetched again");
        showStatus(FormatString(texts::kDownloadFileFormat, i + 1, rowCount, plan.file.path.c_str()));
        downloads.add(fetches_.at(plan.file.path).order.front());
    }
    // A file whose cheaper form failed is fetched in the next form in the same run, after
    // the others: each round waits for the one before, which may add more.
    for (;;) {
        // A cancelled run ends the downloads under way; what they received stays staged.
        if (cancelRequested_)
            downloads.cancel();
        downloads.finish();
        if (cancelRequested_ || fallbacks_.empty())
            break;
        const std::vector<std::string> round = std::move(fallbacks_);
        fallbacks_.clear();
        for (const std::string& path : round) {
            Fetch& fetch = fetches_.at(path);
            ++fetch.at;
            while (payloadsRefused_ && !fetch.order[fetch.at].payload.empty())
                ++fetch.at;
            total += fetch.order[fetch.at].size;
            setProgressRange(0, progressOf(total));
            downloads.add(fetch.order[fetch.at]);
            if (cancelRequested_)
                break;
        }
    }
    // A cancelled run leaves its payloads staged, not the files half made from them.
    for (auto& [path, fetch] : fetches_) {
        if (fetch.maker)
            fetch.maker->abandon();
        fetch.maker.reset();
    }
    hashes_ = nullptr;
    // Windows removes no open file: the staging area goes after the switch.
    stagingIndex_.close();
    if (bytesReceived > 0)
        setProgressPos(0);
    bytesReceived = 0;
    return failures_ + inTheWay;
}

ParallelDownloads::Owner::Request Updater::fileRequest(const PlannedFile& file, std::uint64_t offset)
{
    CommandTarget store;
    if (!file.payload.empty() && !payloadAddress_.empty()) {
        const std::string refusal = FollowLocation(commandTarget(), payloadAddress_ + file.payload, store);
        if (refusal.empty())
            return payloadGet(store, offset);
        logEvent("payload address not taken (" + refusal + "): the payload is asked of the update server");
        payloadAddress_.clear();
    }
    resetCommand(file.payload.empty() ? kFileCommand : kPayloadCommand);
    WriteField(commandStream, productName.Text());
    WriteField(commandStream, file.payload.empty() ? file.path : file.payload);
    range = offset > 0 ? FormatString("bytes=%llu-", static_cast<unsigned long long>(offset)) : std::string();
    prepareCommandPost();
    const bool viaProxy = !proxyHost.empty();
    Request next{viaProxy ? proxyHost : host, static_cast<std::uint16_t>(viaProxy ? proxyPort : port),
                 request(), secure, viaProxy && secure ? connectRequest() : std::string()};
    range.clear();
    return next;
}

// A payload from the address the listing names: a plain GET, through the proxy the system
// names for that server.
ParallelDownloads::Owner::Request Updater::payloadGet(const CommandTarget& store, std::uint64_t offset)
{
    HttpClient get;
    get.method = "GET";
    get.userAgent = userAgent;
    get.host = store.server.host;
    get.port = store.server.port;
    get.secure = store.server.secure;
    get.path = store.path;
    get.range = offset > 0 ? FormatString("bytes=%llu-", static_cast<unsigned long long>(offset)) : std::string();
    const ProxyAddress proxy = ProxyFor(store.server);
    get.proxyHost = proxy.host;
    get.proxyPort = proxy.port;
    get.proxyCredentials = proxy.credentials;
    const bool viaProxy = !proxy.host.empty();
    return {viaProxy ? proxy.host : store.server.host,
            static_cast<std::uint16_t>(viaProxy ? proxy.port : store.server.port), get.request(), store.server.secure,
            viaProxy && store.server.secure ? get.connectRequest() : std::string()};
}

void Updater::takeBlock(StagedFile& staged, const char* bytes, int count)
{
    const std::uint64_t before = staged.offset();
    staging_ = &staged;
    consumeData(bytes, count);
    staging_ = nullptr;
    // A compressed form is decoded into its file while it arrives.
    if (!staged.file().payload.empty() && staged.offset() == before + static_cast<std::uint64_t>(count))
        payloadMaker(staged.file()).take(before, bytes, static_cast<std::size_t>(count));
}

PayloadMaker& Updater::payloadMaker(const PlannedFile& payload)
{
    Fetch& fetch = fetches_.at(payload.path);
    if (!fetch.maker)
        fetch.maker = std::make_unique<PayloadMaker>(payload, fetch.file, LocalPath(fetch.file.path), stagingIndex_,
                                                     *hashes_);
    return *fetch.maker;
}

void Updater::stagedBytesChanged(std::int64_t delta)
{
    if (delta == 0)
        return;
    bytesReceived += static_cast<std::uint64_t>(delta);
    setProgressPos(progressOf(bytesReceived));
}

void Updater::downloadRetried(const PlannedFile& file, int retry, const std::string& reason)
{
    logEvent(FormatString("retry %d of %d for \"%s\": %s", retry, kRetries,
                          EscapeControlCharacters(file.path).c_str(), reason.c_str()));
}

void Updater::downloadEnded(const DownloadResult& result)
{
    const std::string path = EscapeControlCharacters(result.file.path);
    if (result.cancelled)
        return;
    if (!result.file.payload.empty()) {
        payloadEnded(result);
        return;
    }
    if (result.stagingFailed || !result.failure.empty())
        ++failures_;
    if (result.alreadyStaged) {
        logEvent("already staged \"" + path + "\"");
    } else if (result.stagingFailed) {
        WriteDiagnostic("Cannot write the staging area for \"" + path + "\"");
        logEvent("failed \"" + path + "\": " + result.failure);
    } else if (!result.failure.empty()) {
        WriteDiagnostic("Download of \"" + path + "\" failed: " + result.failure);
        logEvent("failed \"" + path + "\": " + result.failure);
    } else if (result.status == kHttpPartial) {
        logEvent(FormatString("resumed \"%s\" at byte %llu", path.c_str(),
                              static_cast<unsigned long long>(result.offset)));
    } else {
        logEvent("downloaded \"" + path + "\"");
    }
}

// A payload that arrived is made into its file at once; one that failed, or whose file
// fails its checks, makes the run fetch the file in the next cheaper form.
void Updater::payloadEnded(const DownloadResult& result)
{
    const std::string path = EscapeControlCharacters(result.file.path);
    const char* form = IsPatch(result.file) ? "patch" : "compressed form";
    std::string failure = result.stagingFailed ? "the staging area cannot be written" : result.failure;
    if (failure.empty())
        failure = payloadMaker(result.file).finish();
    Fetch& fetch = fetches_.at(result.file.path);
    if (fetch.maker && !failure.empty())
        fetch.maker->abandon();
    fetch.maker.reset();
    if (failure.empty()) {
        logEvent(FormatString("downloaded \"%s\" as its %s (%u of %u bytes)", path.c_str(), form, result.file.size,
                              fetch.file.size) +
                 (result.status == kHttpPartial ? FormatString(", resumed at byte %llu",
                                                               static_cast<unsigned long long>(result.offset))
                                                : std::string()));
        return;
    }
    // A server that does not know the payload command (an older jobgate) answers 400; one that
    // refuses a method or a path, 405 or 403: the rest of the run fetches files plain.
    if ((result.status == 400 || result.status == 403 || result.status == 405) && !payloadsRefused_) {
        payloadsRefused_ = true;
        logEvent(FormatString("the server answers no payloads (status %d): files are fetched plain", result.status));
    }
    const PlannedFile& next = fetch.order[fetch.at + 1];
    logEvent("the " + std::string(form) + " of \"" + path + "\" failed: " + failure + "; fetching " +
             (next.payload.empty() ? "the file itself" : "its compressed form"));
    fallbacks_.push_back(result.file.path);
}

bool Updater::consumeData(const char* bytes, int count)
{
    if (staging_ != nullptr)
        staging_->write(bytes, static_cast<std::size_t>(count));
    bytesReceived += static_cast<std::uint64_t>(count);
    setProgressPos(progressOf(bytesReceived));
    checkpoint();
    return true;
}

// Whether the run leaves the installation and its record as they are: no row is refused or
// to be fetched, and the record, of this listing, names exactly the files present. Both are
// walked in order, which a listing in byte order (as jobgate lists) allows without making
// the next record.
bool Updater::recordIsCurrent(const std::vector<RowPlan>& plans) const
{
    const InstallRecord& old = record_;
    if (old.damaged || !old.refused.empty() || old.serial != accepted_.serial || old.digest != accepted_.digest)
        return false;
    auto recorded = old.paths.begin();
    for (const RowPlan& row : plans) {
        if (!row.refusal.empty() || row.needed)
            return false;
        if (!row.present)
            continue;
        if (recorded == old.paths.end() || *recorded != row.file.path)
            return false;
        ++recorded;
    }
    return recorded == old.paths.end();
}

void Updater::switchTo(const std::vector<RowPlan>& plans)
{
    if (recordIsCurrent(plans)) {
        // Nothing staged is needed any more (see below).
        RemoveTree(state::kStaging);
        return;
    }
    const InstallRecord& old = record_;
    InstallRecord next;
    next.serial = accepted_.serial;
    next.digest = accepted_.digest;
    SwitchPlan plan;
    // Paths are compared by their keys: "./a.txt" listed as "a.txt" (or renamed only in
    // case on Windows) is the same file, to be moved, never withdrawn. The recorded paths
    // by key are needed only for rows the run cannot use.
    std::unordered_map<std::string, std::string> recorded;
    if (std::any_of(plans.begin(), plans.end(), [](const RowPlan& row) { return !row.refusal.empty(); })) {
        for (const std::string& path : old.paths)
            recorded.emplace(PathKey(path), path);
    }
    const std::string programKey = PathKey(programPath.Text());
    bool programMoves = false;
    std::vector<std::string> repaired;
    for (const RowPlan& row : plans) {
        if (!row.refusal.empty()) {
            // A row the run cannot use is skipped, not withdrawn: a file installed for it
            // stays, and stays in the record.
            if (const auto found = recorded.find(PathKey(row.file.path)); found != recorded.end())
                next.paths.insert(found->second);
            continue;
        }
        if (row.needed) {
            plan.moves.push_back({row.file.path, row.file.time, row.file.size, row.file.sha256});
            programMoves = programMoves || PathKey(row.file.path) == programKey;
            if (row.repaired)
                repaired.push_back(row.file.path);
        }
        // A listing in byte order (as jobgate lists) appends each path at the end.
        if (row.needed || row.present)
            next.paths.insert(next.paths.end(), row.file.path);
    }
    if (old.damaged) {
        logEvent("the record of installed files is damaged: no withdrawn file is removed");
    } else {
        // Every path the new record keeps is listed; only the recorded paths it drops are
        // looked up by their keys among all rows.
        std::vector<std::string> dropped;
        std::set_difference(old.paths.begin(), old.paths.end(), next.paths.begin(), next.paths.end(),
                            std::back_inserter(dropped));
        std::unordered_set<std::string> listed;
        if (!dropped.empty()) {
            for (const RowPlan& row : plans)
                listed.insert(PathKey(row.file.path));
        }
        for (const std::string& path : dropped) {
            if (listed.count(PathKey(path)) == 0)
                plan.removals.push_back(path);
        }
    }

    if (plan.moves.empty() && plan.removals.empty()) {
        // Nothing staged is needed any more: what a run cut off after its switch left, or
        // a partial download of a file that is current now.
        RemoveTree(state::kStaging);
        // The first run of a client that keeps a record takes note of what it found.
        // A record with lines that were refused is written anew without them.
        if (next.paths != old.paths || next.serial != old.serial || next.digest != old.digest ||
            !old.refused.empty()) {
            createDirectories((std::string(state::kFolder) + "/").c_str());
            next.save(state::kRecord);
        }
        return;
    }
    if (!productVersion_.empty() && !plan.moves.empty())
        showStatus(FormatString(texts::kInstallingVersionFormat, productVersion_.c_str()));
    std::string failedPath;
    const SwitchEnd end = SwitchOver(plan, next, checkpoint, failedPath);
    reportSwitch(end, plan, failedPath);
    if (end != SwitchEnd::Switched)
        return;
    for (const std::string& path : repaired)
        logEvent("repaired \"" + EscapeControlCharacters(path) + "\"");
    programUpdated_ = programMoves;
    noteInstalledHashes(plans);
}

// Notes the checksums of the installed files, for a later run's patches, when the listing
// names payloads (a maker who ships none pays nothing for them): of the files placed now,
// and of those an earlier run noted that are unchanged since.
void Updater::noteInstalledHashes(const std::vector<RowPlan>& plans) const
{
    if (std::none_of(plans.begin(), plans.end(), [](const RowPlan& row) { return row.payloads != nullptr; }))
        return;
    const InstalledHashes earlier = InstalledHashes::Load(state::kHashes);
    InstalledHashes next;
    for (const RowPlan& row : plans) {
        if (!row.refusal.empty() || !(row.needed || row.present))
            continue;
        const FileStatus status = QueryFileStatus(LocalPath(row.file.path).c_str());
        const std::string sha256 = row.needed ? row.file.sha256 : earlier.find(row.file.path, status);
        if (status.exists && !status.isFolder && !sha256.empty())
            next.note(row.file.path, status, sha256);
    }
    next.save(state::kHashes);
}

void Updater::reportSwitch(SwitchEnd end, const SwitchPlan& plan, const std::string& failedPath)
{
    const std::string failed = EscapeControlCharacters(failedPath);
    switch (end) {
    case SwitchEnd::Switched:
        logEvent(FormatString("switched: %u file(s) put in place, %u removed",
                              static_cast<unsigned>(plan.moves.size()),
                              static_cast<unsigned>(plan.removals.size())));
        for (const std::string& path : plan.removals)
            logEvent("removed \"" + EscapeControlCharacters(path) + "\"");
        return;
    case SwitchEnd::NotStarted:
        logEvent("the switch could not be started: the installation stays as it was");
        break;
    case SwitchEnd::Undone:
        showStatus(FormatString(texts::kNotReplacedFormat, failedPath.c_str()));
        WriteDiagnostic("\"" + failed + "\" could not be put in place; the switch was undone");
        logEvent("the switch was undone: \"" + failed + "\" could not be put in place");
        break;
    case SwitchEnd::Pending:
        logEvent("the switch at \"" + failed + "\" could neither be completed nor undone; the next start tries again");
        break;
    }
    outcome_ = Outcome::FilesFailed;
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
