// Shows the update dialog for the product Corvid against a test server inside this
// program, which lists one file and sends it slowly (over SECONDS, default 10), so that a
// screenshot or a script catches the download under way. The run ends the program as the
// product's would: with 0 once the file is in place, or by starting PROGRAM (./name in
// MAIN_DIR), or with 2 when it was cancelled.
// Usage: update_dialog_show MAIN_DIR [SECONDS [PROGRAM]]
#include "filetree/FileTree.h"
#include "filetree/ListingWriter.h"
#include "support/Environment.h"
#include "support/TestHttpServer.h"
#include "update/UpdateDialog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr char kFile[] = "./Daten/Landschaft.bin";
constexpr std::size_t kFileSize = 500000;
constexpr std::size_t kPieces = 100;

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: update_dialog_show MAIN_DIR [SECONDS [PROGRAM]]\n", stderr);
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;

    FileTree tree;
    StartFileListing(tree, "Corvid");
    AddFileRow(tree, kFile, 1700000000, kFileSize);
    std::string listing;
    WriteFileListing(tree, listing);
    Reply slowFile = OkReply(std::string(kFileSize, 'x'), "application/octet-stream");
    slowFile.pieceSize = kFileSize / kPieces;
    slowFile.pause = std::chrono::milliseconds(seconds * 1000 / static_cast<int>(kPieces));

    TestHttpServer server;
    server.queueReplies({OkReply(listing), slowFile});
    SetEnvironment("BRENHOLD_UPDATE_SERVER", "127.0.0.1:" + std::to_string(server.port()));

    UpdateDialog dialog(nullptr);
    dialog.trust = ListingTrust(); // the test server's listings are unsigned
    dialog.productName.SetText("Corvid");
    dialog.mainDirectory.SetText(argv[1]);
    if (argc > 3)
        dialog.programPath.SetText(argv[3]);
    dialog.runModal();
    // Only a dialog closed before its run started comes back here.
    return 1;
}
