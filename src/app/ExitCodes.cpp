#include "app/ExitCodes.h"

namespace app {

int ExitCodeFor(Updater::Outcome outcome)
{
    switch (outcome) {
    case Updater::Outcome::Done:
        return kExitDone;
    case Updater::Outcome::Cancelled:
        return kExitCancelled;
    case Updater::Outcome::ServerUnreachable:
    case Updater::Outcome::ListingRefused:
        return kExitNoListing;
    case Updater::Outcome::FilesFailed:
        return kExitFilesFailed;
    }
    return kExitFilesFailed;
}

} // namespace app
