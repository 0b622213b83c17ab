#include "app/SetupApplication.h"

#include "BrenholdVersion.h"
#include "app/AppNames.h"
#include "app/DirectoryPath.h"
#include "app/ExitCodes.h"
#include "app/ListingSerialStore.h"
#include "app/ProductStart.h"
#include "app/SettingsStore.h"
#include "app/StartupValues.h"
#include "app/Uninstall.h"
#include "app/UninstallEntry.h"
#include "app/UpdateView.h"
#include "install/InstallChoice.h"
#include "install/InstallTarget.h"
#include "net/Diagnostic.h"
#include "text/StringUtil.h"
#include "update/FileStatus.h"
#include "update/LocalPath.h"
#include "update/ProductShortcuts.h"

#include <cstdlib>
#include <utility>

namespace {

const char* OutcomeName(Updater::Outcome outcome)
{
    switch (outcome) {
    case Updater::Outcome::Done:
        return "done";
    case Updater::Outcome::Cancelled:
        return "cancelled";
    case Updater::Outcome::ServerUnreachable:
        return "server unreachable";
    case Updater::Outcome::ListingRefused:
        return "listing refused";
    case Updater::Outcome::FilesFailed:
        return "files failed";
    }
    return "unknown";
}

// A directory given on the command line as the settings keep main directories: absolute,
// "/" separated, without a separator at its end.
std::string MainDirectoryFrom(const std::string& given)
{
    std::string directory = AbsoluteDirectory(given);
    ReplaceAll(directory, "\\", "/");
    while (directory.size() > 1 && directory.back() == '/' && directory[directory.size() - 2] != ':')
        directory.pop_back();
    return directory;
}

// The product's program below the main directory, in local notation.
std::string ProgramFile(const std::string& mainDirectory, const std::string& programPath)
{
    const std::string relative = programPath.rfind("./", 0) == 0 ? programPath.substr(2) : programPath;
    return LocalPath(mainDirectory + "/" + relative);
}

} // namespace

SetupApplication::SetupApplication(CommandLine commandLine, std::string commandLineText)
    : commandLine_(std::move(commandLine)), commandLineText_(std::move(commandLineText))
{}

void SetupApplication::report(const std::string& line)
{
    log_->write(line);
    WriteDiagnostic(line);
}

void SetupApplication::end(int exitCode)
{
    exitCode_ = exitCode;
    log_->write("end: exit code " + std::to_string(exitCode));
}

// A cancelled update run ends the process as a cancelled installation does.
static_assert(app::kExitCancelled == Updater::kExitCancelled);

bool SetupApplication::initialize()
{
    if (commandLine_.finishRemovalProcess) {
        exitCode_ = FinishRemoval(*commandLine_.finishRemovalProcess, commandLine_.finishRemovalDirectory);
        return false;
    }
    log_ = std::make_unique<RunLogFile>(RunLogPath(commandLine_.product()));
    log_->write(std::string("start: ") + app::kDisplayName + " " + BRENHOLD_VERSION +
                ", command line: " + commandLineText_);
    if (!commandLine_.error.empty()) {
        report("command line refused: " + commandLine_.error);
        end(app::kExitCommandLine);
        return false;
    }
    if (commandLine_.uninstallProduct) {
        SettingsStore settings(app::kMakerKey, app::kDisplayName);
        end(Uninstall(*commandLine_.uninstallProduct, commandLine_.quiet, settings, *log_,
                      SystemUninstallPlatform()));
        return false;
    }

    SocketPlatform platform = SystemSocketPlatform();
    if (commandLine_.quiet)
        platform.tellUser = [](const std::string&, const std::string&) {};
    sockets_ = SocketSession::Start(platform);
    if (!sockets_.isStarted()) {
        report("the socket layer could not be started");
        end(app::kExitNoListing);
        return false;
    }
    return runDialogSequence();
}

bool SetupApplication::runDialogSequence()
{
    // Both live until the process ends, which the update run brings about.
    SettingsStore settings(app::kMakerKey, app::kDisplayName);
    ListingSerialStore serials(settings);
    const StartupValues values = ReadStartupValues(commandLine_.startup, settings);

    const std::unique_ptr<UpdateView> view = commandLine_.quiet ? MakeQuietUpdateView() : MakeUpdateView();
    Updater& updater = view->updater();
    updater.productName.SetText(values.productName);
    updater.programPath.SetText(values.programPath);
    updater.mainDirectory.SetText(values.mainDirectory);
    updater.startsProgram = !commandLine_.noStart;
    updater.repairs = commandLine_.repair;
    updater.log = log_.get();
    updater.serials = &serials;
    updater.keepsOwnCopy = true;
    updater.onFinished = [this](const Updater& finished) { finishRun(finished); };

    if (updater.mainDirectory.Text().empty()) {
        if (commandLine_.directory) {
            updater.mainDirectory.SetText(MainDirectoryFrom(*commandLine_.directory));
            // An administrator's directory is taken as given or not at all: no other is proposed.
            if (!CanCreateFilesIn(LocalPath(updater.mainDirectory.Text()))) {
                report("no file can be made in " + updater.mainDirectory.Text() +
                       " (--dir): the first installation needs a directory this user can write");
                end(app::kExitNoDirectory);
                return false;
            }
            log_->write("first installation into " + updater.mainDirectory.Text() + " (--dir)");
        } else if (commandLine_.quiet) {
            report("no main directory is known for " + values.productName +
                   ": a quiet first installation needs --dir DIRECTORY");
            end(app::kExitNoDirectory);
            return false;
        } else {
            TypedValue chosen;
            if (ChooseInstallDirectory(updater.productName, chosen) != kInstallOk) {
                log_->write("installation cancelled by the user");
                end(app::kExitCancelled);
                return false;
            }
            updater.mainDirectory = chosen;
            log_->write("first installation into " + updater.mainDirectory.Text());
        }
        settings.writeString(app::kMainDirSection, updater.productName.Text(), updater.mainDirectory.Text());
    } else if (commandLine_.directory) {
        report(values.productName + " is installed in " + values.mainDirectory +
               "; --dir is for a first installation and is ignored");
    }

    updater.quickStart = PlacedStartFormIn(updater.mainDirectory.Text()) == StartForm::ThroughClient;
    view->run();
    log_->write("the update dialog was closed before the run began");
    end(app::kExitCancelled);
    return false;
}

void SetupApplication::finishRun(const Updater& updater)
{
    const std::string& product = updater.productName.Text();
    const std::string& mainDirectory = updater.mainDirectory.Text();
    const std::string& programPath = updater.programPath.Text();
    if (updater.programUpdated()) {
        // The release's version when its listing names one, else the client's own.
        const std::string& version = updater.productVersion();
        RegisterUninstallEntry(product, version.empty() ? BRENHOLD_VERSION : version, mainDirectory, programPath,
                               *log_);
    }

    const int code = app::ExitCodeFor(updater.outcome());
    log_->write(std::string("run ended: ") + OutcomeName(updater.outcome()));
    if (code == app::kExitDone) {
        // The update run starts the product in place of the process, or ends it with 0.
        end(code);
        return;
    }
    // The installed product still starts: a failed update leaves it as it was.
    const bool starts = updater.outcome() != Updater::Outcome::Cancelled && updater.startsProgram &&
                        !programPath.empty() &&
                        QueryFileStatus(ProgramFile(mainDirectory, programPath).c_str()).exists;
    end(code);
    if (starts)
        StartProductBeside(mainDirectory, programPath);
    std::exit(code);
}
