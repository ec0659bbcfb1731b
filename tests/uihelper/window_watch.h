// Watching the top-level windows of one process as they appear.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace uihelper {

struct SeenWindow {
    HWND hwnd = nullptr;
    std::string className;
    std::string title;
};

class WindowWatcher {
public:
    explicit WindowWatcher(DWORD pid) : pid_(pid) {}

    // Looks at the process's top-level windows now and returns those that are visible for the
    // first time, in the order found. A window is reported once, however often it is hidden
    // and shown again.
    std::vector<SeenWindow> poll();

private:
    std::vector<HWND> topLevelWindows() const;

    DWORD pid_;
    std::set<HWND> reported_;  // windows reported and still existing
};

}  // namespace uihelper
