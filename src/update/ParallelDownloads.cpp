#include "update/ParallelDownloads.h"

#include "net/Diagnostic.h"
#include "text/FormatString.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

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
    for (; at < lower.size() && std::isdigit(static_cast<unsigned char>(lower[at])) && digits < 19;
         ++at, ++digits)
        start = start * 10 + static_cast<std::uint64_t>(lower[at] - '0');
    return digits > 0 && at < lower.size() && lower[at] == '-' ? start : UINT64_MAX;
}

// The staging file of a listed path, folded to lower case: two rows that name one file
// (also in another case, as on Windows) must not be received into it at the same time.
std::string StagingKey(const std::string& listedPath)
{
    std::string key = StagedFile::DataPath(listedPath);
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

} // namespace

int ConfiguredTransfers()
{
    const char* text = std::getenv("BRENHOLD_TRANSFERS");
    if (text == nullptr || *text == '\0')
        return kDefaultTransfers;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end == '\0' && std::isdigit(static_cast<unsigned char>(*text)) && value >= 1 &&
        value <= kMostTransfers)
        return static_cast<int>(value);
    WriteDiagnostic(FormatString("BRENHOLD_TRANSFERS must be a number from 1 to %d, not \"%s\"; %d are used",
                                 kMostTransfers, text, kDefaultTransfers));
    return kDefaultTransfers;
}

struct ParallelDownloads::Download {
    Download(const PlannedFile& file, StagingIndex& index) : staged(file, index) {}

    StagedFile staged;
    std::string key; // StagingKey of the file
    std::uint64_t offset = 0;
    int status = 0;
    std::uint64_t rangeStart = UINT64_MAX;
    bool firstBlock = true;
    bool replyTaken = false;
};

ParallelDownloads::ParallelDownloads(Owner& owner, StagingIndex& index, int transfers, const Timeouts& timeouts,
                                     int receiveBlockSize, WaitObserver* observer)
    : owner_(owner), index_(index), transfers_(static_cast<std::size_t>(std::max(transfers, 1))),
      exchanges_(*this)
{
    exchanges_.timeouts = timeouts;
    exchanges_.receiveBlockSize = receiveBlockSize;
    exchanges_.setWaitObserver(observer);
}

ParallelDownloads::~ParallelDownloads() = default;

void ParallelDownloads::add(const PlannedFile& file)
{
    // A file listed twice is staged once: the second row waits for the first download
    // and then finds the file staged.
    const std::string key = StagingKey(file.path);
    while (std::any_of(downloads_.begin(), downloads_.end(),
                       [&](const auto& entry) { return entry.second->key == key; }))
        exchanges_.moveOn();

    auto download = std::make_unique<Download>(file, index_);
    download->key = key;
    StagedFile& staged = download->staged;
    if (!staged.prepare()) {
        ++failed_;
        owner_.downloadEnded(
            {.file = staged.file(), .failure = "the staging area cannot be written", .stagingFailed = true});
        return;
    }
    download->offset = staged.offset();
    owner_.stagedBytesChanged(static_cast<std::int64_t>(download->offset));
    if (staged.complete()) {
        owner_.downloadEnded({.file = staged.file(), .alreadyStaged = true});
        return;
    }
    staged.hashBeside(hashes_);
    const Owner::Request request = owner_.fileRequest(staged.file(), download->offset);
    const int number = exchanges_.start(request.host, request.port, request.bytes, file.size, request.secure,
                                        request.tunnel);
    downloads_[number] = std::move(download);
    // Until the first body byte of the run has come, one download at a time: a server that
    // fails, or a run cancelled at once, costs one request and one connection, not six.
    while (exchanges_.running() >= (bodyArrived_ ? transfers_ : 1))
        exchanges_.moveOn();
}

void ParallelDownloads::cancel()
{
    exchanges_.cancelAll();
}

int ParallelDownloads::finish()
{
    while (exchanges_.running() > 0)
        exchanges_.moveOn();
    return failed_;
}

void ParallelDownloads::onRetry(int exchange, int retry, const std::string& reason)
{
    owner_.downloadRetried(downloads_.at(exchange)->staged.file(), retry, reason);
}

void ParallelDownloads::onHeader(int exchange, int status, const std::string& header)
{
    Download& download = *downloads_.at(exchange);
    download.status = status;
    download.rangeStart = RangeStartOf(header);
}

void ParallelDownloads::onBody(int exchange, const char* bytes, int count)
{
    Download& download = *downloads_.at(exchange);
    // The other downloads start with the first body byte of the run, not after the blocks
    // that came with it (a compressed form is decoded while it arrives, and takes a while).
    if (!bodyArrived_)
        exchanges_.yield();
    bodyArrived_ = true;
    // The staged file learns of the reply only when its first byte is there: a reply
    // without a body leaves what was staged as it was.
    if (download.firstBlock) {
        download.firstBlock = false;
        download.replyTaken = download.staged.begin(download.status, download.rangeStart);
        if (download.replyTaken && download.status == kHttpOk && download.offset > 0)
            owner_.stagedBytesChanged(-static_cast<std::int64_t>(download.offset));
    }
    if (download.replyTaken)
        owner_.takeBlock(download.staged, bytes, count);
}

void ParallelDownloads::onEnd(int exchange, ExchangeEnd end)
{
    const auto found = downloads_.find(exchange);
    const std::unique_ptr<Download> download = std::move(found->second);
    downloads_.erase(found);

    if (end == ExchangeEnd::cancelled) {
        // What arrived stays staged: the next run continues it.
        download->staged.finish();
        owner_.downloadEnded({.file = download->staged.file(), .cancelled = true});
        return;
    }
    std::string failure = download->staged.finish();
    // A reply that is no file (an error page) is never written: what was staged stays.
    if (end == ExchangeEnd::chunkedBroken)
        failure = "the chunked answer was malformed or cut";
    else if (end == ExchangeEnd::tlsFailed)
        failure = "the TLS handshake failed";
    else if (end == ExchangeEnd::tunnelRefused)
        failure = "the proxy opened no tunnel";
    else if (download->status != kHttpOk && download->status != kHttpPartial)
        failure = FormatString("status %d", download->status);
    else if (!download->firstBlock && !download->replyTaken)
        failure = "the server continued at another byte";
    if (!failure.empty())
        ++failed_;
    owner_.downloadEnded({.file = download->staged.file(),
                          .failure = failure,
                          .status = download->status,
                          .offset = download->offset});
}
