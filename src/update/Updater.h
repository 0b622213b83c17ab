#pragma once
// The update run: brings the product's main directory up to the update server's state
// and then starts the product.
//
// Observer slots: the run reports through setStatusText, setProgressRange and
// setProgressPos, and calls idle while it waits and between blocks and files; they do
// nothing at this level. A view (the update dialog, the terminal view) derives from
// Updater and overrides them, and may cancel the run with requestCancel.

#include "net/CommandClient.h"
#include "net/WaitObserver.h"
#include "text/TypedValue.h"

#include <cstdint>
#include <fstream>
#include <string>

class FileTree;
class FileTreeRow;

class Updater : public CommandClient, public WaitObserver {
public:
    // How the run wants the process to end.
    enum class RunEnd {
        Exit,         // end with exit code 0, starting nothing
        StartProgram, // start the program path in place of this process
        Cancelled,    // end with kExitCancelled: the user gave up the run, which started nothing
    };

    // The exit code of a cancelled run, the same as that of a cancelled installation.
    static constexpr int kExitCancelled = 2;

    Updater();

    // The start-up values, set before the run.
    TypedValue productName;
    TypedValue mainDirectory; // "/" and "\" both separate
    TypedValue programPath;   // "./" and the program file; empty starts nothing

    // Ends the process as bringUpToDate asked: by starting the program in its place, or
    // with exit code 0, or kExitCancelled.
    [[noreturn]] void endRun(RunEnd end);

    // The run up to its end: fetches the listing, makes the main directory current and
    // downloads what is missing or older. Returns how the process is to end.
    RunEnd bringUpToDate();

    // Asks the run to end after the block in hand (at once while it waits): the partial
    // download is removed, no file is replaced and nothing is started from then on, and
    // bringUpToDate answers Cancelled.
    void requestCancel() { cancelRequested_ = true; }
    bool cancelRequested() const { return cancelRequested_; }

    // Slot 1: writes a downloaded block to the download file and moves the progress.
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
    void showStatus(std::string text);
    void updateRow(const FileTreeRow& row, int fileNumber, int rowCount);
    bool downloadFile(const std::string& path, std::uint32_t size);
    void placeProductShortcuts(const std::string& path);
    int progressOf(std::uint64_t bytes) const;

    std::ofstream downloadSink;
    std::uint64_t bytesReceived = 0;
    // Progress positions are bytes shifted right by this much, so that files beyond
    // 2 GiB still fit the progress range.
    unsigned progressShift = 0;
    bool cancelRequested_ = false;
};
