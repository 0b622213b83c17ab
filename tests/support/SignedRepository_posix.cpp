// POSIX side of SignedRepository.h.
#include "SignedRepository.h"

#include "ChildProcess.h"
#include "TempDir.h"
#include "TestSigner.h"
#include "crypto/Base64.h"
#include "crypto/PublicKey.h"
#include "crypto/Sha256.h"
#include "filetree/ListingWriter.h"

#include <ctime>

#include <iostream>

bool SignProduct(const std::string& root, const std::string& product, int validDays,
                 const std::vector<std::string>& options)
{
    std::vector<std::string> command = {BRENHOLD_JOBGATE_SIGN_BIN, "sign", "--key", DevelopmentPrivateKey(),
                                        "--valid-days", std::to_string(validDays)};
    command.insert(command.end(), options.begin(), options.end());
    command.insert(command.end(), {root, product});
    const ProcessResult result = RunProcess(command);
    if (result.exitCode != 0)
        std::cerr << "jobgate-sign failed: " << result.out << result.err << std::endl;
    return result.exitCode == 0;
}

std::string DevelopmentPrivateKey()
{
    return BRENHOLD_DEV_PRIVATE_KEY;
}

std::string DevelopmentPublicKey()
{
    return BRENHOLD_DEV_PUBLIC_KEY;
}

std::string JobgateSignProgram()
{
    return BRENHOLD_JOBGATE_SIGN_BIN;
}

std::string SignedListingOf(const std::string& product, const std::vector<SignedFile>& files, std::uint64_t serial)
{
    FileTree tree;
    const auto inAYear = static_cast<std::uint64_t>(std::time(nullptr)) + 365 * 24 * 3600;
    StartSignedFileListing(tree, product, {serial, inAYear});
    for (const SignedFile& file : files)
        AddFileRow(tree, file.path, file.time, file.bytes.size(), HexDigest(Sha256Of(file.bytes)));
    std::string body;
    const auto keys = ParsePublicKeysPem(ReadFileBytes(DevelopmentPublicKey()));
    if (!WriteListingBody(tree, body) || keys.empty())
        return {};
    const std::string signature = SignForTest(ReadFileBytes(DevelopmentPrivateKey()), body);
    return FormatSignatureBlock({KeyId(keys.front()), EncodeBase64(signature)}) + '\x04' + body;
}
