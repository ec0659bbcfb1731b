// Reading the class and the texts of windows, including windows of other processes.
#pragma once

#include <windows.h>

#include <string>

namespace uihelper {

std::string windowClass(HWND hwnd);

// A top-level window's title, read without waiting on the window's thread.
std::string windowTitle(HWND hwnd);

// A control's text, asked of the control itself (WM_GETTEXT, bounded in time and length), or its
// title if the control does not answer.
std::string controlText(HWND hwnd);

}  // namespace uihelper
