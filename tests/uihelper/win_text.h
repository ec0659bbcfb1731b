// Text conversions between the wide and the byte-string (ANSI code page) worlds.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace uihelper {

std::string narrow(std::wstring_view text, UINT codePage = CP_ACP);

// The system's message for a Win32 error code, followed by the code itself.
std::string errorText(DWORD code);

}  // namespace uihelper
