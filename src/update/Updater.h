#pragma once
// The update run: brings the product's main directory up to the update server's state
// and then starts the product.
//
// Observer slots: the run reports through setStatusText, setProgressRange and
// setProgressPos, which do nothing at this level; a view (the update dialog, the
// terminal view) derives from Updater and overrides them.

#include "net/CommandClient.h"
#include "text/TypedValue.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>

class FileTree;
class FileTreeRow;
class ListingSerials;
class RunLog;

class Updater : public CommandClient {
public:
    // How the run wants the process to end.
    enum class RunEnd {
        Exit,         // end with exit code 0, starting nothing
        StartProgram, // start the program path in place of this process
    };

    // What the last bringUpToDate ended with; an unattended run's exit code tells it.
    enum class Outcome {
        Done,              // up to date
        Cancelled,         // the user ended the run
        ServerUnreachable, // no listing came
        ListingRefused,    // a listing came but was not trusted
        FilesFailed,       // some file could not be fetched: nothing was switched
    };

    Updater();

    // The start-up values, set before the run.
    TypedValue productName;
    TypedValue mainDirectory; // "/" and "\" both separate
    TypedValue programPath;   // "./" and the program file; empty starts nothing

    // False: the run ends without starting the program.
    bool startsProgram = true;
    // Not owned; when set, the run writes every event to it.
    RunLog* log = nullptr;
    // Not owned; when set, the serials of accepted signed listings are kept there.
    ListingSerials* serials = nullptr;
    // Called by runUpdate after the run and before the process ends.
    std::function<void(const Updater&)> onFinished;

    Outcome outcome() const { return outcome_; }
    // Whether the last run installed or replaced the product's program file.
    bool programUpdated() const { return programUpdated_; }

    // The whole run; ends the process: by starting the program in its place, or with
    // exit code 0.
    [[noreturn]] void runUpdate();

    // Ends the process as bringUpToDate asked.
    [[noreturn]] void endRun(RunEnd end);

    // The run up to its end: fetches the listing, makes the main directory current and
    // downloads what is missing or older. Returns how the process is to end.
    RunEnd bringUpToDate();

    // Slot 1: writes a downloaded block to the download file and moves the progress.
    bool consumeData(const char* bytes, int count) override;

    // Slots 2 to 4: nothing at this level.
    virtual void setStatusText(std::string text);
    virtual void setProgressRange(int low, int high);
    virtual void setProgressPos(int pos);

    // The longest status text shown; longer texts are cut.
    static constexpr std::size_t kStatusLimit = 99;

    // Downloads are received in blocks of this size and written to disk as they come.
    static constexpr int kDownloadBlockSize = 256 * 1024;

private:
    void showStatus(std::string text);
    void updateRow(const FileTreeRow& row, int fileNumber, int rowCount);
    bool downloadFile(const std::string& path, std::uint32_t size);
    void placeProductShortcuts(const std::string& path);
    int progressOf(std::uint64_t bytes) const;

    Outcome outcome_ = Outcome::Done;
    bool programUpdated_ = false;
    std::ofstream downloadSink;
    std::uint64_t bytesReceived = 0;
    // Progress positions are bytes shifted right by this much, so that files beyond
    // 2 GiB still fit the progress range.
    unsigned progressShift = 0;
};
