#include "ui/WindowMenu.h"

void AppendWindowMenuEntry(HMENU menu, const std::string& text, UINT command)
{
    if (menu == nullptr || text.empty())
        return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, command, text.c_str());
}

std::string LoadResourceString(UINT id)
{
    char text[256] = {};
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}
