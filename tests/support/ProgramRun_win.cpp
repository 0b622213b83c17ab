// Windows side of ProgramRun.h.
#include "support/ProgramRun.h"

#include <windows.h>

namespace {

// The handles of a started process, closed when it goes.
class ProcessHandles {
public:
    explicit ProcessHandles(const PROCESS_INFORMATION& info) : info_(info) {}
    ~ProcessHandles()
    {
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    ProcessHandles(const ProcessHandles&) = delete;
    ProcessHandles& operator=(const ProcessHandles&) = delete;

    HANDLE process() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_;
};

} // namespace

std::string SiblingProgram(const std::string& name)
{
    char own[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    const std::string path = own;
    return path.substr(0, path.rfind('\\') + 1) + name;
}

long RunProgram(const std::string& program, const std::vector<std::string>& arguments, unsigned long limitMs)
{
    std::string commandLine = "\"" + program + "\"";
    for (const std::string& argument : arguments)
        commandLine += " \"" + argument + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return -1;
    const ProcessHandles started(info);
    DWORD code = 0;
    if (WaitForSingleObject(started.process(), limitMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(started.process(), &code)) {
        TerminateProcess(started.process(), 99);
        return -1;
    }
    return static_cast<long>(code);
}
