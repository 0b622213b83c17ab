#include "app/SetupApplication.h"

#include "app/AppNames.h"
#include "app/SettingsStore.h"
#include "app/StartupValues.h"
#include "app/UpdateView.h"
#include "install/InstallChoice.h"

// A cancelled update run ends the process as a cancelled installation does.
static_assert(SetupApplication::kExitCancelled == Updater::kExitCancelled);

SetupApplication::SetupApplication(std::string argumentsText) : argumentsText_(std::move(argumentsText)) {}

bool SetupApplication::initialize()
{
    sockets_ = SocketSession::Start(SystemSocketPlatform());
    if (!sockets_.isStarted())
        return false;
    return runDialogSequence();
}

bool SetupApplication::runDialogSequence()
{
    SettingsStore settings(app::kMakerKey, app::kDisplayName);
    const StartupValues values = ReadStartupValues(argumentsText_, settings);

    const std::unique_ptr<UpdateView> view = MakeUpdateView();
    Updater& updater = view->updater();
    updater.productName.SetText(values.productName);
    updater.programPath.SetText(values.programPath);
    updater.mainDirectory.SetText(values.mainDirectory);

    if (updater.mainDirectory.Text().empty()) {
        TypedValue chosen;
        if (ChooseInstallDirectory(updater.productName, chosen) != kInstallOk) {
            exitCode_ = kExitCancelled;
            return false;
        }
        updater.mainDirectory = chosen;
        settings.writeString(app::kMainDirSection, updater.productName.Text(), updater.mainDirectory.Text());
    }

    view->run();
    return false;
}
