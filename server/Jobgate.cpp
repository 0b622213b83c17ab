#include "Jobgate.h"

#include "ByteRange.h"
#include "CgiResponse.h"
#include "CommandText.h"
#include "PayloadNames.h"
#include "ProductFiles.h"
#include "RepositoryNames.h"
#include "SignedListingCache.h"
#include "SignedListingFile.h"
#include "filetree/ListingWriter.h"
#include "text/CharClass.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::uint32_t kListCommand = 15;
constexpr std::uint32_t kFileCommand = 16;
// A payload of the product's store (a compressed form or a patch), named as the store names it.
constexpr std::uint32_t kPayloadCommand = 17;

struct Answer {
    int status;
    const char* text;
};

// The request body's length, or none when CONTENT_LENGTH is not a plain decimal number.
std::optional<std::size_t> ParseLength(const std::string& text)
{
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::size_t value = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value;
}

// Reads exactly length bytes; none when the input ends before.
std::optional<std::string> ReadBody(RequestChannel& in, std::size_t length)
{
    std::string body(length, '\0');
    std::size_t got = 0;
    while (got < length) {
        const long n = in.read(body.data() + got, length - got);
        if (n <= 0)
            return std::nullopt;
        got += static_cast<std::size_t>(n);
    }
    return body;
}

std::optional<std::string> CanonicalPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved)
        return std::nullopt;
    return std::string(resolved.get());
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class Request {
public:
    Request(const RequestEnvironment& environment, std::string root, RequestChannel& out,
            SignedListingCache* listings)
        : environment_(environment), root_(std::move(root)), out_(out), listings_(listings)
    {}

    bool answer(const CommandText& command)
    {
        if (command.command == kListCommand && command.fields.size() == 1)
            return list(command.fields[0]);
        if (command.command == kFileCommand && command.fields.size() == 2)
            return send(command.fields[0], command.fields[1]);
        if (command.command == kPayloadCommand && command.fields.size() == 2)
            return sendPayload(command.fields[0], command.fields[1]);
        return SendText(out_, 400, "unknown command or wrong number of fields");
    }

private:
    // Finds the product's folder; on failure, the answer to give instead.
    std::optional<Answer> findProduct(const std::string& product)
    {
        const auto name = ProductFolderName(product);
        if (!name)
            return Answer{403, "not a product name"};
        productName_ = *name;
        const auto canonical = CanonicalPath(root_ + "/" + *name);
        if (!canonical || !IsFolder(*canonical))
            return Answer{404, "unknown product"};
        productFolder_ = *canonical;
        return std::nullopt;
    }

    bool list(const std::string& product)
    {
        if (const auto refusal = findProduct(product))
            return SendText(out_, refusal->status, refusal->text);
        // A release the maker signed is sent as signed; only an unsigned one is walked.
        const StoredListing signedListing = ReadSignedListing(root_, productName_);
        if (signedListing.state == StoredListing::State::Found) {
            // Sent as it is by a web server that sends files (X-Sendfile): the same bytes,
            // without passing through jobgate. Not by nginx: it caches no answer it was
            // redirected for, and a caching front must keep the listing.
            if (environment_.fileSending != FileSending::XAccelRedirect) {
                // Appended, not "/" + name: GCC 12 at -O3 warns of an overlapping copy in the
                // insert that operator+ makes of a literal and a temporary (a false positive).
                std::string relative = "/";
                relative += SignedListingName(productName_);
                if (const auto sent = sendByWebServer(relative, kListingType))
                    return *sent;
            }
            return SendListing(out_, signedListing.text);
        }
        if (signedListing.state == StoredListing::State::Unreadable)
            return SendText(out_, 500, "listing failed");
        FileTree tree;
        StartFileListing(tree, product);
        for (const ListedFile& file : ListProductFiles(productFolder_))
            AddFileRow(tree, file.path, file.time, file.size);
        std::string listing;
        if (!WriteFileListing(tree, listing)) {
            std::fprintf(stderr, "jobgate: the listing of %s cannot be written\n", productFolder_.c_str());
            return SendText(out_, 500, "listing failed");
        }
        return SendListing(out_, listing);
    }

    bool send(const std::string& product, const std::string& path)
    {
        // The path is checked before anything is looked up on disk.
        const auto names = ListedPathNames(path);
        if (!names)
            return SendText(out_, 403, "not a listed file");
        if (const auto refusal = findProduct(product))
            return SendText(out_, refusal->status, refusal->text);
        OpenedFile file;
        switch (OpenProductFile(productFolder_, *names, file)) {
        case Lookup::NotFound:
            return SendText(out_, 404, "unknown file");
        case Lookup::Refused:
            return SendText(out_, 403, "not a listed file");
        case Lookup::Found:
            break;
        }
        std::string relative = "/" + productName_;
        for (const std::string& name : *names)
            relative += "/" + name;
        return sendOpened(file, relative);
    }

    // The store holds only regular files the signing tool wrote: a link is never followed.
    bool sendPayload(const std::string& product, const std::string& name)
    {
        if (!IsPayloadName(name))
            return SendText(out_, 403, "not a payload name");
        if (const auto refusal = findProduct(product))
            return SendText(out_, refusal->status, refusal->text);
        const std::string path = PayloadStorePath(root_, productName_) + "/" + name;
        OpenedFile file;
        file.fd.reset(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!file.fd.valid() || ::fstat(file.fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
            return SendText(out_, 404, "unknown payload");
        file.size = static_cast<std::uint64_t>(st.st_size);
        return sendOpened(file, PayloadStorePath("", productName_) + "/" + name);
    }

    // Sends an opened file, whole or the part the request asks for; relative is its path
    // below the root, for the web server.
    bool sendOpened(OpenedFile& file, const std::string& relative)
    {
        const ByteRange range = ParseByteRange(environment_.range, file.size);
        if (range.kind == ByteRange::Kind::NotSatisfiable)
            return SendRangeNotSatisfiable(out_, file.size);
        // A part is sent from here in every mode: lighttpd ignores Range on the X-Sendfile
        // answer to a POST, and Apache and nginx are set to (they would answer several
        // ranges in many parts, nginx a malformed Range with 416).
        if (environment_.fileSending == FileSending::ByJobgate || range.kind == ByteRange::Kind::Part)
            return SendFileBytes(out_, file.fd.get(), file.size, range);
        if (const auto sent = sendByWebServer(relative, kFileType))
            return *sent;
        return SendFileBytes(out_, file.fd.get(), file.size, range);
    }

    // Has the web server send the file at relative (below the root) when it is set to send
    // files and can be given this path; whether the answer went out, or nothing when jobgate
    // must send the body itself.
    std::optional<bool> sendByWebServer(const std::string& relative, std::string_view contentType)
    {
        switch (environment_.fileSending) {
        case FileSending::ByJobgate:
            return std::nullopt;
        case FileSending::XAccelRedirect:
            return SendFileByAccelRedirect(out_, environment_.accelRedirect + relative, contentType);
        case FileSending::XSendfileRaw:
            // A header value loses blanks at its end, and a raw path would name another file.
            if (relative.back() == ' ' || relative.back() == '\t')
                return std::nullopt;
            return SendFileByWebServer(out_, root_ + relative, false, contentType);
        case FileSending::XSendfile:
            break;
        }
        return SendFileByWebServer(out_, root_ + relative, true, contentType);
    }

    // list() reads the signed listing through this member, which hides the free function of
    // the same name: from the cache of a FastCGI server, or from the file.
    StoredListing ReadSignedListing(const std::string& root, const std::string& productFolderName) const
    {
        return listings_ != nullptr ? listings_->read(root, productFolderName)
                                    : ::ReadSignedListing(root, productFolderName);
    }

    const RequestEnvironment& environment_;
    const std::string root_;
    RequestChannel& out_;
    SignedListingCache* const listings_;
    std::string productName_;   // the folder name in UTF-8: below the root as configured,
                                // what the web server is given
    std::string productFolder_; // without links: what files are checked against
};

bool Respond(const RequestEnvironment& environment, RequestChannel& channel, SignedListingCache* listings)
{
    if (environment.method != "POST")
        return SendText(channel, 405, "only POST is answered");
    if (!environment.contentLength)
        return SendText(channel, 411, "Content-Length missing");
    const auto length = ParseLength(*environment.contentLength);
    if (!length)
        return SendText(channel, 400, "bad Content-Length");
    if (*length > kLongestRequest)
        return SendText(channel, 413, "command text too long");
    const auto body = ReadBody(channel, *length);
    if (!body)
        return SendText(channel, 400, "command text cut short");
    const auto command = ParseCommandText(*body);
    if (!command)
        return SendText(channel, 400, "malformed command text");

    const auto root = environment.root ? CanonicalPath(*environment.root) : std::nullopt;
    if (!root || !IsFolder(*root)) {
        std::fprintf(stderr, "jobgate: JOBGATE_ROOT does not name a folder\n");
        return SendText(channel, 500, "server not set up");
    }
    return Request(environment, *root, channel, listings).answer(*command);
}

} // namespace

RequestEnvironment ReadRequestEnvironment(const RequestVariables& variable)
{
    RequestEnvironment environment;
    environment.method = variable("REQUEST_METHOD").value_or("");
    environment.contentLength = variable("CONTENT_LENGTH");
    environment.root = variable("JOBGATE_ROOT");
    const std::string sendfile = variable("JOBGATE_SENDFILE").value_or("");
    environment.accelRedirect = variable("JOBGATE_ACCEL_REDIRECT").value_or("");
    if (!environment.accelRedirect.empty())
        environment.fileSending = FileSending::XAccelRedirect;
    else if (sendfile == "1")
        environment.fileSending = FileSending::XSendfile;
    else if (sendfile == "raw")
        environment.fileSending = FileSending::XSendfileRaw;
    environment.range = variable("HTTP_RANGE").value_or("");
    return environment;
}

int AnswerRequest(const RequestEnvironment& environment, RequestChannel& channel, SignedListingCache* listings)
{
    if (Respond(environment, channel, listings))
        return 0;
    std::fprintf(stderr, "jobgate: the answer could not be completed\n");
    return 1;
}
