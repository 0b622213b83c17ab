#include "FaultServerRun.h"

#include "support/Environment.h"
#include "update/FileStatus.h"
#include "update/LocalPath.h"
#include "update/LocalPlacement.h"

namespace fs = std::filesystem;

namespace {

const std::string kListingRequest = "\r\n\r\n0 15 Corvid\x03";
const std::string kFileRequest = "\r\n\r\n0 16 Corvid\x03";

} // namespace

FaultServerRun::FaultServerRun()
    : main_(base_.path() / "Haupt"), server_(StatusReply(404, "Not Found", "nicht da"))
{
    // Set before any Updater is made: its constructor takes the server's host from here.
    SetEnvironment("BRENHOLD_UPDATE_SERVER",
                   std::string("127.0.0.1:").append(std::to_string(server_.port())));
}

void FaultServerRun::serveListing(const std::vector<ListedFile>& files)
{
    serveListingText(ListingOf("Corvid", files));
}

void FaultServerRun::serveListingText(const std::string& text)
{
    serveListingReply(OkReply(text));
}

void FaultServerRun::serveListingReply(Reply reply)
{
    server_.setReplyFor(kListingRequest, std::move(reply));
}

void FaultServerRun::serveFile(const std::string& listedPath, Reply reply)
{
    server_.setReplyFor(kFileRequest + listedPath + '\x03', std::move(reply));
}

void FaultServerRun::queueFileReply(const std::string& listedPath, Reply reply)
{
    server_.queueReplyFor(kFileRequest + listedPath + '\x03', std::move(reply));
}

std::unique_ptr<RecordingUpdater> FaultServerRun::newRun(const Timeouts& timeouts) const
{
    auto run = std::make_unique<RecordingUpdater>();
    run->productName.SetText("Corvid");
    run->mainDirectory.SetText(main_.string());
    run->setTimeouts(timeouts);
    // These runs are about transfers: their listings are unsigned, and the run takes them
    // as a client built without keys does. Signed listings are tested against jobgate.
    run->trust = ListingTrust();
    return run;
}

std::vector<std::string> FaultServerRun::requestedFiles() const
{
    std::vector<std::string> paths;
    for (const std::string& request : server_.requests()) {
        const std::size_t at = request.find(kFileRequest);
        if (at == std::string::npos)
            continue;
        const std::size_t start = at + kFileRequest.size();
        paths.push_back(request.substr(start, request.find('\x03', start) - start));
    }
    return paths;
}

fs::path FaultServerRun::localFile(const std::string& listedPath) const
{
    return main_ / fs::path(LocalPath(listedPath));
}

std::uint32_t StampOf(const fs::path& file)
{
    const FileStatus status = QueryFileStatus(file.string().c_str());
    return status.exists ? status.creationTime : 0;
}

void PutFile(const fs::path& file, const std::string& bytes, std::uint32_t time)
{
    ASSERT_TRUE(WriteFileBytes(file, bytes)) << file;
    ASSERT_TRUE(stampFile(file.string().c_str(), time)) << file;
}

std::string NumberedBytes(std::size_t count)
{
    std::string bytes;
    bytes.reserve(count + 16);
    for (std::size_t i = 0; bytes.size() < count; ++i)
        bytes += std::to_string(i) + ',';
    bytes.resize(count);
    return bytes;
}

void PrintTo(const Fault& fault, std::ostream* out)
{
    *out << fault.name;
}
