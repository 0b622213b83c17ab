#include "update/ClientCopy.h"

#include "crypto/Sha256.h"
#include "os/OutputFile.h"
#include "text/FormatString.h"
#include "update/FileStatus.h"
#include "update/LocalPath.h"
#include "update/LocalPlacement.h"
#include "update/LocalRemoval.h"
#include "update/StateFolder.h"

#include <fstream>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kChunk = 256 * 1024;

bool Exists(const std::string& path)
{
    return QueryFileStatus(path.c_str()).exists;
}

// The SHA-256 of the copy as the replacement that made it wrote it down, so that a start
// need not hash the copy again; it only ever spares a replacement, never makes one.
std::string RecordPath()
{
    return std::string(ClientCopyPath()) + ".sha256";
}

std::string RecordedSha256()
{
    std::ifstream in(RecordPath(), std::ios::binary);
    std::string text;
    std::getline(in, text);
    return text;
}

// The SHA-256 of the bytes read from in, written to out as well when it is given; none when
// a read or write fails.
std::optional<std::string> HashStream(std::ifstream& in, OutputFile* out)
{
    if (!in)
        return std::nullopt;
    Sha256 hash;
    std::vector<char> buffer(kChunk);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            continue;
        hash.update(buffer.data(), got);
        if (out != nullptr && !out->write(buffer.data(), got))
            return std::nullopt;
    }
    if (in.bad())
        return std::nullopt;
    return HexDigest(hash.finish());
}

std::optional<std::string> FileSha256(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return HashStream(in, nullptr);
}

// Copies source into the part file, flushed to disk; the SHA-256 of what was written, or
// none (and no part file) when that failed.
std::optional<std::string> CopyToPart(const std::string& source)
{
    createDirectories((std::string(state::kFolder) + "/").c_str());
    std::ifstream in(source, std::ios::binary);
    OutputFile out;
    std::optional<std::string> digest;
    if (out.open(ClientCopyPartPath(), OutputFile::Mode::Truncate))
        digest = HashStream(in, &out);
    if (!digest || !out.flushToDisk() || !out.close()) {
        out.close();
        RemoveLocalFile(ClientCopyPartPath());
        return std::nullopt;
    }
    return digest;
}

// Puts the checked part file, whose SHA-256 is sha256, in place of the copy.
ClientCopyReport Replace(const std::string& from, const std::string& sha256,
                         const SwitchCheckpoint& checkpoint)
{
    RemoveLocalFile(RecordPath());
    if (!MoveFileDurably(ClientCopyPartPath(), ClientCopyReadyPath())) {
        RemoveLocalFile(ClientCopyPartPath());
        return {true, "client copy kept: the new copy cannot be made ready"};
    }
    checkpoint();
    if (!PutReadyCopyInPlace(checkpoint))
        return {true, "client copy: the ready copy of " + from + " could not be put in place yet"};
    WriteFileDurably(RecordPath(), sha256 + "\n");
    return {false, std::string("client copy replaced by ") + from + "; the previous one is " +
                       PreviousClientCopyPath()};
}

} // namespace

std::string ClientCopyPartPath()
{
    return std::string(ClientCopyPath()) + ".part";
}

std::string ClientCopyReadyPath()
{
    return std::string(ClientCopyPath()) + ".ready";
}

void RecoverClientCopy()
{
    // A ready file was checked before it got its name: a cut left it beside the copy.
    if (Exists(ClientCopyReadyPath())) {
        RemoveLocalFile(RecordPath());
        PutReadyCopyInPlace([] {});
    }
    if (Exists(ClientCopyPartPath()))
        RemoveLocalFile(ClientCopyPartPath());
}

ClientCopyReport CopyListedClient(const std::string& listedPath, const std::string& sha256,
                                  const SwitchCheckpoint& checkpoint)
{
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) at "\"" + text.
    std::string shown(1, '"');
    shown += EscapeControlCharacters(listedPath);
    shown += '"';
    if (Exists(ClientCopyPath()) && RecordedSha256() == sha256)
        return {};
    if (FileSha256(ClientCopyPath()) == sha256) {
        WriteFileDurably(RecordPath(), sha256 + "\n");
        return {};
    }
    const std::string source = LocalPath(listedPath);
    if (!Exists(source))
        return {true, "client copy kept: the listed client " + shown + " is not installed"};
    const auto written = CopyToPart(source);
    checkpoint();
    if (!written)
        return {true, "client copy kept: the listed client " + shown + " cannot be copied"};
    if (*written != sha256) {
        RemoveLocalFile(ClientCopyPartPath());
        return {true, "client copy kept: the listed client " + shown + " does not match its listed SHA-256"};
    }
    return Replace(shown, sha256, checkpoint);
}

ClientCopyReport CopyRunningClient(const SwitchCheckpoint& checkpoint)
{
    if (IsRunningProgram(ClientCopyPath()))
        return {};
    const std::string self = RunningProgramFile();
    if (self.empty())
        return {true, "client copy kept: the running program's file cannot be told"};
    const auto written = CopyToPart(self);
    checkpoint();
    if (!written)
        return {true, "client copy kept: the running client cannot be copied"};
    if (FileSha256(ClientCopyPath()) == *written) {
        RemoveLocalFile(ClientCopyPartPath());
        return {};
    }
    return Replace("the running client", *written, checkpoint);
}

std::string ClientCopyTarget(const std::string& mainDirectory)
{
    std::string directory = mainDirectory;
    while (directory.size() > 1 && (directory.back() == '/' || directory.back() == '\\'))
        directory.pop_back();
    return NativePath(directory + "/" + ClientCopyPath());
}
