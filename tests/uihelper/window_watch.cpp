#include "window_watch.h"

#include <tlhelp32.h>

#include <algorithm>

#include "win_handle.h"
#include "window_text.h"

namespace uihelper {

namespace {

struct Collect {
    DWORD pid;
    std::vector<HWND>* found;
};

BOOL CALLBACK collectIfOwned(HWND hwnd, LPARAM param) {
    auto* c = reinterpret_cast<Collect*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == c->pid) c->found->push_back(hwnd);
    return TRUE;
}

void addUnique(std::vector<HWND>& list, HWND hwnd) {
    if (std::find(list.begin(), list.end(), hwnd) == list.end()) list.push_back(hwnd);
}

}  // namespace

std::vector<HWND> WindowWatcher::topLevelWindows() const {
    std::vector<HWND> found;
    Collect all{pid_, &found};
    EnumWindows(collectIfOwned, reinterpret_cast<LPARAM>(&all));

    // The windows of each of the process's threads as well, in case one escapes the list above.
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return found;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    std::vector<HWND> threadWindows;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != pid_) continue;
        Collect mine{pid_, &threadWindows};
        EnumThreadWindows(entry.th32ThreadID, collectIfOwned, reinterpret_cast<LPARAM>(&mine));
    }
    for (HWND hwnd : threadWindows) addUnique(found, hwnd);
    return found;
}

std::vector<SeenWindow> WindowWatcher::poll() {
    // Forget windows that are gone, so that a new window that gets a recycled handle is seen.
    for (auto it = reported_.begin(); it != reported_.end();) {
        it = IsWindow(*it) ? std::next(it) : reported_.erase(it);
    }
    std::vector<SeenWindow> fresh;
    for (HWND hwnd : topLevelWindows()) {
        if (!IsWindowVisible(hwnd) || reported_.count(hwnd)) continue;
        reported_.insert(hwnd);
        fresh.push_back(SeenWindow{hwnd, windowClass(hwnd), windowTitle(hwnd)});
    }
    return fresh;
}

}  // namespace uihelper
