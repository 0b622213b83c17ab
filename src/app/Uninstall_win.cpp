// Windows side of Uninstall.h: message boxes, and the removal of the running copy in the
// state folder by a second copy started from the temp folder.
#include "app/Uninstall.h"

#include "app/AppNames.h"
#include "app/ExitCodes.h"
#include "app/UninstallEntry.h"
#include "update/PlacementPaths.h"

#include <windows.h>

#include <cstdlib>
#include <iostream>
#include <utility>

namespace {

// Owns a kernel handle.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle = nullptr)
        : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle)
    {}
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    KernelHandle(KernelHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ~KernelHandle()
    {
        if (handle_ != nullptr)
            CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }
    bool isOpen() const { return handle_ != nullptr; }

private:
    HANDLE handle_;
};

// How long the copy in the temp folder waits for the uninstaller to end.
constexpr DWORD kUninstallerEndLimitMs = 60000;
// How long it tries to remove the uninstaller's program file once that has ended.
constexpr int kRemoveAttempts = 50;
constexpr DWORD kRemoveRetryMs = 100;

std::string OwnProgramFile()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

// A command-line argument quoted so that the C runtime reads it back whole.
std::string Quoted(const std::string& argument)
{
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
        } else {
            quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
            backslashes = 0;
        }
        if (c != '\\')
            quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

std::string RunningCopy(const std::string& mainDirectory)
{
    const std::string copy = UninstallerCopyPath(mainDirectory);
    return SameDirectory(OwnProgramFile(), copy) ? std::string(app::kDisplayName) + ".exe" : std::string();
}

// Copies the running program into the temp folder and starts that copy, which waits for
// this process to end and then removes what it could not. The copy is opened for
// deletion on close and that handle is inherited by the copy's process: when the copy's
// process ends, the last handle closes and the file goes.
bool RemoveAfterExit(const std::string& mainDirectory)
{
    char tempFolder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(sizeof tempFolder, tempFolder);
    if (length == 0 || length >= sizeof tempFolder)
        return false;
    const std::string helper = std::string(tempFolder) + app::kDisplayName + "-removal-" +
                               std::to_string(GetCurrentProcessId()) + ".exe";
    if (!CopyFileA(OwnProgramFile().c_str(), helper.c_str(), FALSE))
        return false;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const KernelHandle deleteOnClose(CreateFileA(helper.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                                 &inherited, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE,
                                                 nullptr));
    const std::string directory = DirectoryOf(mainDirectory + "/x");
    std::string commandLine = Quoted(helper) + " --finish-removal " + std::to_string(GetCurrentProcessId()) +
                              " " + Quoted(directory);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(helper.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, tempFolder,
                        &startup, &process)) {
        std::cerr << "Cannot start " << helper << ": error " << GetLastError() << std::endl;
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace

UninstallPlatform SystemUninstallPlatform()
{
    UninstallPlatform platform;
    platform.confirm = [](const std::string& question, const std::string& title) {
        return MessageBoxA(nullptr, question.c_str(), title.c_str(),
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    };
    platform.tell = [](const std::string& text, const std::string& title) {
        MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
    };
    platform.removeEntry = RemoveUninstallEntry;
    platform.runningCopy = RunningCopy;
    platform.removeAfterExit = RemoveAfterExit;
    return platform;
}

int FinishRemoval(const std::string& process, const std::string& mainDirectory)
{
    char* end = nullptr;
    const unsigned long id = std::strtoul(process.c_str(), &end, 10);
    if (process.empty() || *end != '\0' || mainDirectory.empty()) {
        std::cerr << "--finish-removal needs a process number and a directory" << std::endl;
        return app::kExitCommandLine;
    }
    // A process that has ended already cannot be opened, and need not be waited for.
    const KernelHandle uninstaller(OpenProcess(SYNCHRONIZE, FALSE, id));
    if (uninstaller.isOpen())
        WaitForSingleObject(uninstaller.get(), kUninstallerEndLimitMs);
    const std::string copy = UninstallerCopyPath(mainDirectory);
    // The file of a program that has just ended can stay locked for a moment.
    bool removed = false;
    for (int attempt = 0; attempt < kRemoveAttempts && !removed; ++attempt) {
        removed = DeleteFileA(copy.c_str()) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND;
        if (!removed)
            Sleep(kRemoveRetryMs);
    }
    if (!removed) {
        std::cerr << "Cannot remove " << copy << ": error " << GetLastError() << std::endl;
        return app::kExitFilesFailed;
    }
    RemoveDirectoryA(DirectoryOf(copy).c_str());
    RemoveDirectoryA(DirectoryOf(DirectoryOf(copy)).c_str());
    return app::kExitDone;
}
