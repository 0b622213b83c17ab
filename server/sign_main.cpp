// jobgate-sign: the maker's tool that makes the signing key, signs each release of a product
// in the repository and checks a signed release against its folder.

#include "SignCommands.h"

#include "filetree/PayloadColumns.h"
#include "filetree/SignedListing.h"
#include "text/CharClass.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kLongestValidity = 36500; // days: a century

const char kUsage[] = "usage: jobgate-sign keygen PRIVATE.pem\n"
                      "       jobgate-sign sign --key PRIVATE.pem [--valid-days N] [--version TEXT]\n"
                      "                         [--client PATH] [--start-through-client]\n"
                      "                         [--compress] [--patches-from OLD_LISTING_OR_DIR]...\n"
                      "                         [--patch-limit MIB] [--payload-address ADDRESS] ROOT PRODUCT\n"
                      "       jobgate-sign check --public PUBLIC.pem ROOT PRODUCT\n";

int Usage(const std::string& problem)
{
    std::fprintf(stderr, "jobgate-sign: %s\n%s", problem.c_str(), kUsage);
    return kExitCannotRun;
}

// The options (each "--name VALUE", or a flag without value) and the other arguments after
// the command word.
struct Arguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> repeated; // the values of the option that may be given again
    std::vector<std::string> flags;
    std::vector<std::string> operands;
};

// Reads args, accepting only the option and flag names given; none (after saying why) otherwise.
std::optional<Arguments> ReadArguments(const std::vector<std::string>& args,
                                       const std::vector<std::string>& names,
                                       const std::vector<std::string>& flagNames = {},
                                       const std::string& repeatable = {})
{
    Arguments read;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            read.operands.push_back(arg);
            continue;
        }
        if (std::find(flagNames.begin(), flagNames.end(), arg) != flagNames.end()) {
            if (std::find(read.flags.begin(), read.flags.end(), arg) != read.flags.end()) {
                Usage(arg + " is given twice");
                return std::nullopt;
            }
            read.flags.push_back(arg);
            continue;
        }
        if (!repeatable.empty() && arg == repeatable) {
            if (i + 1 == args.size()) {
                Usage(arg + " needs a value");
                return std::nullopt;
            }
            read.repeated.push_back(args[++i]);
            continue;
        }
        bool known = false;
        for (const std::string& name : names)
            known = known || arg == name;
        if (!known) {
            Usage("unknown option " + arg);
            return std::nullopt;
        }
        if (i + 1 == args.size()) {
            Usage(arg + " needs a value");
            return std::nullopt;
        }
        if (!read.options.emplace(arg, args[++i]).second) {
            Usage(arg + " is given twice");
            return std::nullopt;
        }
    }
    return read;
}

// A number of days from 1 to kLongestValidity, in plain decimal digits.
std::optional<std::uint64_t> ParseDays(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text[0] == '0')
        return std::nullopt;
    std::uint64_t days = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        days = days * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (days > kLongestValidity)
        return std::nullopt;
    return days;
}

int Keygen(const std::vector<std::string>& args)
{
    const auto read = ReadArguments(args, {});
    if (!read)
        return kExitCannotRun;
    if (read->operands.size() != 1)
        return Usage("keygen takes the path of the private key to write");
    return RunKeygen(read->operands[0]);
}

// A patch limit in MiB: 1 to 256, the most a client applies.
std::optional<std::uint64_t> ParsePatchLimit(const std::string& text)
{
    if (text.empty() || text.size() > 3 || text[0] == '0' || !std::all_of(text.begin(), text.end(), IsDigit))
        return std::nullopt;
    const std::uint64_t mib = std::stoull(text);
    if (mib > (kDefaultPatchLimit >> 20))
        return std::nullopt;
    return mib << 20;
}

int Sign(const std::vector<std::string>& args)
{
    const auto read = ReadArguments(args, {"--key", "--valid-days", "--version", "--client", "--patch-limit", "--payload-address"},
                                    {"--start-through-client", "--compress"}, "--patches-from");
    if (!read)
        return kExitCannotRun;
    if (!read->options.count("--key"))
        return Usage("sign needs --key PRIVATE.pem");
    if (read->operands.size() != 2)
        return Usage("sign takes the repository folder and the product name");
    SignRequest request;
    request.keyPath = read->options.at("--key");
    if (const auto days = read->options.find("--valid-days"); days != read->options.end()) {
        const auto parsed = ParseDays(days->second);
        if (!parsed)
            return Usage("--valid-days takes a number of days from 1 to " + std::to_string(kLongestValidity));
        request.validDays = *parsed;
    }
    if (const auto version = read->options.find("--version"); version != read->options.end()) {
        if (!IsReleaseVersion(version->second))
            return Usage("--version takes 1 to " + std::to_string(kLongestVersion) +
                         " letters, digits and . - + _ (no spaces), such as 2.1 or 2.1-beta");
        request.version = version->second;
    }
    if (const auto client = read->options.find("--client"); client != read->options.end())
        request.clientPath = client->second;
    const auto flag = [&](const char* name) {
        return std::find(read->flags.begin(), read->flags.end(), name) != read->flags.end();
    };
    request.startThroughClient = flag("--start-through-client");
    request.payloads.compress = flag("--compress");
    if (const auto limit = read->options.find("--patch-limit"); limit != read->options.end()) {
        const auto parsed = ParsePatchLimit(limit->second);
        if (!parsed)
            return Usage("--patch-limit takes a size in MiB from 1 to " + std::to_string(kDefaultPatchLimit >> 20));
        request.payloads.patchLimit = *parsed;
    }
    if (const auto address = read->options.find("--payload-address"); address != read->options.end()) {
        if (!IsPayloadAddress(address->second))
            return Usage("--payload-address takes http://HOST[:PORT]/PATH/, https://... or /PATH/ (ending in /, "
                         "no spaces, at most " + std::to_string(kLongestPayloadAddress) + " characters)");
        request.payloadAddress = address->second;
    }
    for (const std::string& older : read->repeated) {
        auto release = ReadOlderRelease(older);
        if (!release)
            return kExitCannotRun;
        request.payloads.olderReleases.push_back(std::move(*release));
    }
    request.root = read->operands[0];
    request.product = read->operands[1];
    return RunSign(request);
}

int Check(const std::vector<std::string>& args)
{
    const auto read = ReadArguments(args, {"--public"});
    if (!read)
        return kExitCannotRun;
    if (!read->options.count("--public"))
        return Usage("check needs --public PUBLIC.pem");
    if (read->operands.size() != 2)
        return Usage("check takes the repository folder and the product name");
    return RunCheck(read->options.at("--public"), read->operands[0], read->operands[1]);
}

} // namespace

int main(int argc, char** argv)
{
    // Output piped into a program that ends shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2)
        return Usage("no command given");
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "keygen")
        return Keygen(args);
    if (command == "sign")
        return Sign(args);
    if (command == "check")
        return Check(args);
    return Usage("unknown command " + command);
}
