// POSIX only: one update run of a product into a main directory, ended by SIGKILL at a
// chosen checkpoint, so that a test can show that a kill at any moment leaves a whole
// installation. A run that is not ended reports on standard output how many checkpoints
// it passed, how many of them followed a received block, and the bytes it received.
//
// Usage: update_kill_run PRODUCT MAINDIR N
//   N    ends the run at its Nth checkpoint (received blocks and switch steps counted
//        together); 0 ends it nowhere
//   sN   ends the run at the Nth checkpoint that is no received block: a switch step
//   bN   ends the run at the first received block after which N bytes have come in all
//        (how the bytes fall into blocks differs from run to run; their count does not)
#include "update/Updater.h"

#include <signal.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class CountingUpdater final : public Updater {
public:
    bool consumeData(const char* bytes, int count) override
    {
        received += static_cast<std::uint64_t>(count);
        inBlock = true;
        const bool taken = Updater::consumeData(bytes, count);
        inBlock = false;
        return taken;
    }

    bool inBlock = false;
    std::uint64_t received = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: update_kill_run PRODUCT MAINDIR N|sN|bN\n");
        return 2;
    }
    const std::string point = argv[3];
    const bool countsSteps = !point.empty() && point[0] == 's';
    const bool countsBytes = !point.empty() && point[0] == 'b';
    const long long killAt = std::strtoll(point.c_str() + (countsSteps || countsBytes ? 1 : 0), nullptr, 10);

    CountingUpdater updater;
    updater.productName.SetText(argv[1]);
    updater.mainDirectory.SetText(argv[2]);
    updater.startsProgram = false;
    long calls = 0;
    long blocks = 0;
    updater.checkpoint = [&] {
        ++calls;
        if (updater.inBlock)
            ++blocks;
        if (countsBytes) {
            if (updater.inBlock && updater.received >= static_cast<std::uint64_t>(killAt))
                ::raise(SIGKILL);
            return;
        }
        const long count = countsSteps ? calls - blocks : calls;
        if (killAt > 0 && count == killAt && (!countsSteps || !updater.inBlock))
            ::raise(SIGKILL);
    };
    updater.bringUpToDate();
    std::printf("calls %ld blocks %ld received %llu outcome %d\n", calls, blocks,
                static_cast<unsigned long long>(updater.received), static_cast<int>(updater.outcome()));
    return 0;
}
