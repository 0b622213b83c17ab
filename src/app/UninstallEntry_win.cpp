// Windows side of UninstallEntry.h: the per-user entry below HKCU.
#include "app/UninstallEntry.h"

#include "app/AppNames.h"
#include "app/RegistryKey.h"
#include "net/Diagnostic.h"
#include "text/StringUtil.h"
#include "update/InstallRecord.h"
#include "update/StateFolder.h"

namespace {

void Report(RunLog& log, const std::string& line)
{
    log.write(line);
    WriteDiagnostic(line);
}

std::string NativeDirectory(const std::string& mainDirectory)
{
    std::string directory = mainDirectory;
    ReplaceAll(directory, "/", "\\");
    while (directory.size() > 3 && directory.back() == '\\')
        directory.pop_back();
    return directory;
}

// The listed path in Windows notation below the directory: ".\a/b" becomes "DIR\a\b".
std::string FileBelow(const std::string& directory, std::string listedPath)
{
    if (listedPath.rfind("./", 0) == 0)
        listedPath.erase(0, 2);
    ReplaceAll(listedPath, "/", "\\");
    return directory + (directory.back() == '\\' ? "" : "\\") + listedPath;
}

std::uint64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The copy the entry names is kept by the update run (update/ClientCopy.h).
bool CopyExists(const std::string& copyPath, RunLog& log)
{
    if (GetFileAttributesA(copyPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    Report(log, "uninstall entry: there is no copy of the client at " + copyPath);
    return false;
}

} // namespace

bool RegisterUninstallEntry(const std::string& product, const std::string& version,
                            const std::string& mainDirectory, const std::string& programPath, RunLog& log)
{
    // A backslash would make the name a path of keys.
    if (product.empty() || product.find('\\') != std::string::npos) {
        Report(log, "uninstall entry: the product name \"" + product + "\" cannot name a registry key");
        return false;
    }
    const std::string directory = NativeDirectory(mainDirectory);
    const std::string copyPath = UninstallerCopyPath(mainDirectory);
    if (!CopyExists(copyPath, log))
        return false;

    std::uint64_t bytes = 0;
    for (const std::string& path : InstallRecord::Load(FileBelow(directory, state::kRecord)).paths)
        bytes += FileSize(FileBelow(directory, path));
    const std::uint64_t kib = (bytes + 1023) / 1024;

    RegistryKey key;
    LONG status = key.create(HKEY_CURRENT_USER, UninstallEntryKey(product), KEY_SET_VALUE);
    if (status == ERROR_SUCCESS) {
        const LONG results[] = {
            key.setString("DisplayName", product),
            key.setString("DisplayVersion", version),
            key.setString("Publisher", app::kMakerKey),
            key.setString("DisplayIcon", FileBelow(directory, programPath)),
            key.setString("InstallLocation", directory),
            key.setDword("EstimatedSize", kib > MAXDWORD ? MAXDWORD : static_cast<DWORD>(kib)),
            key.setDword("NoModify", 1),
            key.setDword("NoRepair", 1),
            key.setString("UninstallString", UninstallCommand(copyPath, product, false)),
            key.setString("QuietUninstallString", UninstallCommand(copyPath, product, true)),
        };
        for (const LONG result : results) {
            if (result != ERROR_SUCCESS)
                status = result;
        }
    }
    if (status != ERROR_SUCCESS) {
        Report(log, "uninstall entry: cannot write HKCU\\" + UninstallEntryKey(product) + ": error " +
                        std::to_string(status));
        return false;
    }
    log.write("uninstall entry written: HKCU\\" + UninstallEntryKey(product) + ", version " + version + ", " +
              std::to_string(kib) + " KiB");
    return true;
}

bool RemoveUninstallEntry(const std::string& product)
{
    if (product.empty() || product.find('\\') != std::string::npos)
        return true;
    const LONG status = RegistryKey::DeleteKey(HKEY_CURRENT_USER, UninstallEntryKey(product));
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}
