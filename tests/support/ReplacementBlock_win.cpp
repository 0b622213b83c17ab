// Windows side of ReplacementBlock.h: the file held open without FILE_SHARE_DELETE.
#include "ReplacementBlock.h"

#include <windows.h>

ReplacementBlock::ReplacementBlock(const std::filesystem::path& file) : file_(file)
{
    const HANDLE handle = CreateFileW(file.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    holds_ = handle != INVALID_HANDLE_VALUE;
    if (holds_)
        handle_ = reinterpret_cast<std::intptr_t>(handle);
}

ReplacementBlock::~ReplacementBlock()
{
    release();
}

void ReplacementBlock::release()
{
    if (holds_)
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
    holds_ = false;
}
