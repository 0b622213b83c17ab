// The update run's last step, once the installation is the listing's: the client's copy in
// the state folder (ClientCopy.h) and the product's shortcuts in the form the release asks
// for (ProductShortcuts.h).
#include "update/Updater.h"

#include "filetree/SignedListing.h"
#include "net/Diagnostic.h"
#include "text/FormatString.h"
#include "update/ClientCopy.h"
#include "update/FileStatus.h"
#include "update/LocalPath.h"
#include "update/PathKey.h"
#include "update/ProductShortcuts.h"

#include <algorithm>

void Updater::settleClient(const std::string& headerText2, const std::vector<RowPlan>& plans)
{
    std::string clientPath;
    bool throughClient = false;
    // Only a signed header is the maker's word.
    if (const auto validity = ParseValidity(headerText2); signedListing_ && validity) {
        clientPath = HeaderWord(*validity, "client").value_or("");
        throughClient = HeaderWord(*validity, "start") == "client";
    }

    ClientCopyReport report;
    if (!clientPath.empty()) {
        const auto row = std::find_if(plans.begin(), plans.end(), [&](const RowPlan& plan) {
            return plan.refusal.empty() && PathKey(plan.file.path) == PathKey(clientPath);
        });
        if (row == plans.end())
            report =
                ClientCopyReport{true, "client copy kept: the release's client \"" +
                                           EscapeControlCharacters(clientPath) + "\" is not a listed file"};
        else
            report = CopyListedClient(row->file.path, row->file.sha256, checkpoint);
    } else if (keepsOwnCopy &&
               (programUpdated_ || (throughClient && !QueryFileStatus(ClientCopyPath()).exists))) {
        report = CopyRunningClient(checkpoint);
    }
    if (report.failed)
        WriteDiagnostic(report.event);
    if (!report.event.empty())
        logEvent(report.event);

    if (programPath.Text().empty() || !QueryFileStatus(LocalPath(programPath.Text()).c_str()).exists)
        return;
    // Shortcuts through the client need its copy.
    const StartForm form = throughClient && QueryFileStatus(ClientCopyPath()).exists
                               ? StartForm::ThroughClient
                               : StartForm::Program;
    if (!programUpdated_ && form == PlacedStartForm())
        return;
    PlaceProductShortcuts(productName.Text(), mainDirectory.Text(), programPath.Text(), form);
    logEvent(form == StartForm::ThroughClient ? "shortcuts placed: they start through the client"
                                              : "shortcuts placed: they start the product's program");
}
