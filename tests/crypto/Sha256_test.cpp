#include "crypto/Sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct KnownAnswer {
    const char* name;
    std::string text;
    const char* digest;
};

const std::vector<KnownAnswer>& KnownAnswers()
{
    static const std::vector<KnownAnswer> answers = {
        {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"two blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"one million a", std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    return answers;
}

const char* const kAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const char* const kEmpty = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

TEST(Sha256, KnownAnswersInOnePiece)
{
    for (const KnownAnswer& answer : KnownAnswers()) {
        SCOPED_TRACE(answer.name);
        EXPECT_EQ(HexDigest(Sha256Of(answer.text)), answer.digest);
    }
}

TEST(Sha256, KnownAnswersInUnevenPieces)
{
    // Pieces that end short of, on and beyond the 64-byte blocks; empty pieces too.
    const std::size_t pieces[] = {1, 63, 0, 2, 64, 65, 7, 1000, 0, 129, 4096};
    for (const KnownAnswer& answer : KnownAnswers()) {
        SCOPED_TRACE(answer.name);
        Sha256 hash;
        std::size_t at = 0;
        for (std::size_t k = 0; at < answer.text.size(); ++k) {
            const std::size_t piece = std::min(pieces[k % std::size(pieces)], answer.text.size() - at);
            hash.update(answer.text.data() + at, piece);
            at += piece;
        }
        EXPECT_EQ(HexDigest(hash.finish()), answer.digest);
    }
}

TEST(Sha256, FinishStartsOver)
{
    Sha256 hash;
    hash.update("xyz", 3);
    hash.finish();
    hash.update("abc", 3);
    EXPECT_EQ(HexDigest(hash.finish()), kAbc);
    EXPECT_EQ(HexDigest(hash.finish()), kEmpty);
}

TEST(Sha256, MovesCarryTheInputFedSoFar)
{
    Sha256 first;
    first.update("ab", 2);
    Sha256 second(std::move(first));
    second.update("c", 1);

    Sha256 third;
    third.update("zz", 2);
    third = std::move(second);
    EXPECT_EQ(HexDigest(third.finish()), kAbc);

    // What was moved from hashes anew.
    first.update("abc", 3);
    EXPECT_EQ(HexDigest(first.finish()), kAbc);
    EXPECT_EQ(HexDigest(second.finish()), kEmpty);
}

} // namespace
