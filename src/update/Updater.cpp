#include "update/Updater.h"

#include "filetree/FileTree.h"
#include "net/UpdateServer.h"
#include "shell/SpecialFolder.h"
#include "text/Field.h"
#include "text/FormatString.h"
#include "text/StringUtil.h"
#include "text/UserTexts.h"
#include "update/FileStatus.h"
#include "update/ListedPath.h"
#include "update/LocalPath.h"
#include "update/LocalPlacement.h"
#include "update/MoveFileOver.h"
#include "update/ProcessControl.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

constexpr int kListingCommand = 15;
constexpr int kFileCommand = 16;
constexpr int kHttpOk = 200;

// Downloads are written here first and replace the file only when they are complete.
std::string PartialPath(const std::string& path)
{
    return path + ".brenhold-part";
}

// The folders of a file path, up to and including its last "/"; empty when it has none.
std::string FolderPart(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The path with control characters written as \xNN, so that a hostile one cannot break
// the diagnostic's single line.
std::string Printable(const std::string& path)
{
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            out += FormatString("\\x%02X", byte);
        else
            out += c;
    }
    return out;
}

void Refuse(const std::string& path, const std::string& reason)
{
    std::cerr << "Skipping listed file \"" << Printable(path) << "\": " << reason << std::endl;
}

} // namespace

Updater::Updater()
{
    serverHost = ConfiguredUpdateServer().host;
    receiveBlockSize = kDownloadBlockSize;
    setWaitObserver(this);
}

void Updater::endRun(RunEnd end)
{
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
    FileTree tree;
    showStatus(texts::kReadingListing);

    CommandClient listing(kListingCommand);
    listing.setWaitObserver(this);
    WriteField(listing.commandStream, productName.Text());
    tree.readListing(listing.postCommand());
    if (cancelRequested_)
        return RunEnd::Cancelled;

    const std::string mainDir = LocalPath(mainDirectory.Text());
    // The main directory is a directory even when a "." in its path (a folder such as
    // first.last) would make it look like a file name.
    createDirectories((mainDir + "/").c_str());
    if (!ChangeDirectory(mainDir))
        return RunEnd::Exit;

    const int rowCount = static_cast<int>(tree.rowCount());
    int fileNumber = 1;
    while (const FileTreeRow* row = tree.nextRow()) {
        idle();
        if (cancelRequested_)
            return RunEnd::Cancelled;
        updateRow(*row, fileNumber++, rowCount);
    }
    if (cancelRequested_)
        return RunEnd::Cancelled;

    if (programPath.Text().empty())
        return RunEnd::Exit;
    showStatus(texts::kStarting + productName.Text());
    return RunEnd::StartProgram;
}

void Updater::updateRow(const FileTreeRow& row, int fileNumber, int rowCount)
{
    const TypedValue* pathValue = row.valueAt(0);
    const std::string path = pathValue != nullptr ? pathValue->Text() : std::string();
    showStatus(FormatString(texts::kCheckFileFormat, fileNumber, rowCount, path.c_str()));

    if (row.valueCount() < 3) {
        Refuse(path, "the row has fewer than three values");
        return;
    }
    if (const std::string reason = UnsafeListedPathReason(path); !reason.empty()) {
        Refuse(path, reason);
        return;
    }

    const std::uint32_t listedTime = ToUnsigned(row.valueAt(1)->Text());
    const std::string file = LocalPath(path);
    const FileStatus local = QueryFileStatus(file.c_str());
    if (local.exists && local.creationTime >= listedTime)
        return;

    // Only the folders: createDirectories would take a last name without a dot for a folder
    // too, and a folder in the file's place could never be replaced by the download.
    if (const std::string folders = FolderPart(file); !folders.empty())
        createDirectories(folders.c_str());
    showStatus(FormatString(texts::kDownloadFileFormat, fileNumber, rowCount, path.c_str()));
    if (!downloadFile(path, ToUnsigned(row.valueAt(2)->Text())))
        return;
    stampFile(file.c_str(), listedTime);
    if (path == programPath.Text())
        placeProductShortcuts(path);
}

bool Updater::downloadFile(const std::string& path, std::uint32_t size)
{
    const std::string file = LocalPath(path);
    const std::string partial = PartialPath(file);
    downloadSink.open(partial, std::ios::binary | std::ios::trunc);
    if (!downloadSink.is_open()) {
        std::cerr << "Cannot write \"" << partial << "\"" << std::endl;
        return false;
    }

    resetCommand(kFileCommand);
    WriteField(commandStream, productName.Text());
    WriteField(commandStream, path);

    progressShift = 0;
    while ((static_cast<std::uint64_t>(size) >> progressShift) > INT_MAX)
        ++progressShift;
    bytesReceived = 0;
    setProgressRange(0, progressOf(size));
    setProgressPos(0);
    bodyLimit = size;

    postCommand();

    bodyLimit = kInMemoryBodyLimit;
    const std::uint64_t received = bytesReceived;
    bytesReceived = 0;
    setProgressPos(0);
    downloadSink.close();
    const bool written = !downloadSink.fail();
    downloadSink.clear();
    if (cancelRequested_) {
        std::remove(partial.c_str());
        return false;
    }

    // A cut transfer, an error page or a full disk must not become the product's file:
    // only a complete reply replaces the old file.
    const bool complete = statusCode() == kHttpOk && received == size && written;
    if (!complete) {
        std::cerr << "Download of \"" << path << "\" failed: status " << statusCode() << ", " << received
                  << " of " << size << " bytes" << (written ? "" : ", write error") << std::endl;
        std::remove(partial.c_str());
        return false;
    }
    if (!MoveFileOver(partial, file)) {
        std::cerr << "Cannot replace \"" << path << "\"" << std::endl;
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

bool Updater::consumeData(const char* bytes, int count)
{
    if (downloadSink.is_open() && downloadSink.good())
        downloadSink.write(bytes, count);
    bytesReceived += static_cast<std::uint64_t>(count);
    setProgressPos(progressOf(bytesReceived));
    return true;
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

void Updater::setStatusText(std::string) {}

void Updater::setProgressRange(int, int) {}

void Updater::setProgressPos(int) {}

void Updater::idle() {}
