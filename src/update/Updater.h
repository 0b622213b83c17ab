#pragma once
// The update run: brings the product's main directory up to the update server's state
// and then starts the product.
//
// An update happens whole or not at all: every file the run needs is received into the
// staging area of the main directory's state folder and checked there; only when all of
// them are complete does a journaled switch put them in place and remove the files the
// listing withdrew. A run cut off before the switch leaves the installation as it was
// (and what it staged is continued by the next run); a switch cut off is completed by
// the next start.
//
// Observer slots: the run reports through setStatusText, setProgressRange and
// setProgressPos, and calls idle while it waits and between blocks and files; they do
// nothing at this level. A view (the update dialog, the terminal view) derives from
// Updater and overrides them, and may cancel the run with requestCancel.

#include "filetree/PayloadColumns.h"
#include "net/CommandClient.h"
#include "net/WaitObserver.h"
#include "text/TypedValue.h"
#include "update/InstallRecord.h"
#include "update/ListingTrust.h"
#include "update/ParallelDownloads.h"
#include "update/PayloadMaker.h"
#include "update/PlannedFile.h"
#include "update/SwitchJournal.h"

#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class FileTree;
class ListingSerials;
class RunLog;

class Updater : public CommandClient, public WaitObserver, private ParallelDownloads::Owner {
public:
    // How the run wants the process to end.
    enum class RunEnd {
        Exit,         // end with exit code 0, starting nothing
        StartProgram, // start the program path in place of this process
        Cancelled,    // end with kExitCancelled: the user gave up the run, which started nothing
    };

    // What the last bringUpToDate ended with; an unattended run's exit code tells it.
    enum class Outcome {
        Done,              // up to date
        Cancelled,         // the user ended the run
        ServerUnreachable, // no listing came
        ListingRefused,    // a listing came but was not trusted
        FilesFailed,       // some file could not be fetched: nothing was switched
    };

    // The exit code of a cancelled run, the same as that of a cancelled installation.
    static constexpr int kExitCancelled = 2;

    Updater();

    // The start-up values, set before the run.
    TypedValue productName;
    TypedValue mainDirectory; // "/" and "\" both separate
    TypedValue programPath;   // "./" and the program file; empty starts nothing

    // False: the run ends without starting the program.
    bool startsProgram = true;
    // True: every installed file is hashed against the signed listing, and what differs is
    // fetched again (otherwise only a file that is missing, older or of another size is).
    bool repairs = false;
    // Not owned; when set, the run writes every event to it.
    RunLog* log = nullptr;
    // Not owned; when set, the serials of accepted signed listings are kept there.
    ListingSerials* serials = nullptr;
    // True: a run that installed or replaced the product's program keeps a copy of the running
    // client in the state folder, unless the release names the client's next version. The
    // client sets it; a test program is no client to keep.
    bool keepsOwnCopy = false;
    // True: the view starts the run at once and shows itself only while something downloads
    // (set when the shortcuts start through the client, so every start of the product is a run).
    bool quickStart = false;
    // Called by endRun after the run and before the process ends.
    std::function<void(const Updater&)> onFinished;
    // The keys whose signed listings the run accepts: those built into the program.
    ListingTrust trust = ListingTrust::BuiltIn();
    // Called after every received block and every step of the switch; tests end the
    // process there to prove that a kill at any moment leaves a whole installation.
    SwitchCheckpoint checkpoint = [] {};

    Outcome outcome() const { return outcome_; }
    // Whether the last run installed or replaced the product's program file.
    bool programUpdated() const { return programUpdated_; }
    // The release's version named by the last accepted listing; empty when it names none.
    const std::string& productVersion() const { return productVersion_; }

    // The whole run; ends the process: by starting the program in its place, or with
    // exit code 0 or kExitCancelled.
    [[noreturn]] void runUpdate();

    // Ends the process as bringUpToDate asked, after onFinished: by starting the program
    // in its place, or with exit code 0, or kExitCancelled.
    [[noreturn]] void endRun(RunEnd end);

    // The run up to its end: completes an interrupted switch, fetches and checks the
    // listing, stages what is missing or older and switches to it. Returns how the
    // process is to end.
    RunEnd bringUpToDate();

    // Asks the run to end after the block in hand (at once while it waits): what was staged
    // is kept for the next run, no file is replaced and nothing is started from then on, and
    // bringUpToDate answers Cancelled.
    void requestCancel() { cancelRequested_ = true; }
    bool cancelRequested() const { return cancelRequested_; }

    // Slot 1: writes a block of the download under way to its staged file and moves the
    // progress, which runs over the bytes of all the run's downloads.
    bool consumeData(const char* bytes, int count) override;

    // Slots 2 to 4: nothing at this level.
    virtual void setStatusText(std::string text);
    virtual void setProgressRange(int low, int high);
    virtual void setProgressPos(int pos);
    // Slot 5: called while the run waits for the server and between blocks and files.
    void idle() override;

    bool transferCancelled() override { return cancelRequested_; }

    // The longest status text shown; longer texts are cut.
    static constexpr std::size_t kStatusLimit = 99;

    // Downloads are received in blocks of this size and written to disk as they come.
    static constexpr int kDownloadBlockSize = 256 * 1024;

private:
    // What the run found for one row of the listing.
    struct RowPlan {
        std::string refusal; // why the row is skipped; empty for a usable row
        bool needed = false; // missing, older, of another size, or (repairing) changed: to be fetched
        bool present = false;
        bool inTheWay = false; // a folder stands where the file is listed
        bool repaired = false; // fetched again because its bytes differ from the listing's
        // Its path is value 0 as listed, also for a refused row; the rest only for a usable one.
        PlannedFile file;
        // The cheaper ways the signed listing names; none for most rows, so kept apart.
        std::unique_ptr<FilePayloads> payloads;
    };
    // A needed file and the downloads to try for it, cheapest first (see PayloadFetch.h).
    struct Fetch {
        PlannedFile file;
        std::vector<PlannedFile> order;
        std::size_t at = 0; // the one under way
        std::unique_ptr<PayloadMaker> maker = {}; // makes the file from the payload under way
    };

    void showStatus(std::string text);
    RunEnd cancelled();
    void takeRecord();
    void logEvent(const std::string& line);
    bool readListing(FileTree& tree);
    std::vector<RowPlan> planRows(FileTree& tree) const;
    void compareWithLocalFile(RowPlan& plan) const;
    bool fitsOnDisk(const std::vector<RowPlan>& plans);
    int stageNeededFiles(const std::vector<RowPlan>& plans);
    Request fileRequest(const PlannedFile& file, std::uint64_t offset) override;
    void takeBlock(StagedFile& staged, const char* bytes, int count) override;
    void stagedBytesChanged(std::int64_t delta) override;
    void downloadRetried(const PlannedFile& file, int retry, const std::string& reason) override;
    void downloadEnded(const DownloadResult& result) override;
    bool recordIsCurrent(const std::vector<RowPlan>& plans) const;
    void switchTo(const std::vector<RowPlan>& plans);
    void noteInstalledHashes(const std::vector<RowPlan>& plans) const;
    void reportSwitch(SwitchEnd end, const SwitchPlan& plan, const std::string& failedPath);
    bool knownListing(AcceptedListing& known);
    // Once the installation is the listing's: the client's copy and the shortcuts.
    void settleClient(const std::string& headerText2, const std::vector<RowPlan>& plans);
    int progressOf(std::uint64_t bytes) const;
    void payloadEnded(const DownloadResult& result);
    PayloadMaker& payloadMaker(const PlannedFile& payload);
    Request payloadGet(const CommandTarget& store, std::uint64_t offset);

    Outcome outcome_ = Outcome::Done;
    bool programUpdated_ = false;
    bool signedListing_ = false;
    InstallRecord record_;      // what the installation held when the run began
    std::future<InstallRecord> recordLoad_; // record_ while it is still being read
    AcceptedListing accepted_;  // the listing the run follows
    std::string productVersion_;
    StagedFile* staging_ = nullptr;  // the download whose block is being taken
    HashWorker* hashes_ = nullptr;   // of the downloads under way
    StagingIndex stagingIndex_;      // what the staging area holds, read before the downloads
    std::map<std::string, Fetch> fetches_; // of the run's needed files, by listed path
    std::vector<std::string> fallbacks_;   // files whose download failed in a cheaper form
    int failures_ = 0;                     // downloads that failed in their last form
    bool payloadsRefused_ = false;         // the server knows no payloads: files come plain
    std::string payloadAddress_;           // where payloads are fetched with a GET; empty: of jobgate
    std::uint64_t bytesReceived = 0; // staged bytes of the run's downloads
    // Progress positions are bytes shifted right by this much, so that runs beyond
    // 2 GiB still fit the progress range.
    unsigned progressShift = 0;
    bool cancelRequested_ = false;
};
