// uihelper: runs a program, watches its windows, answers its message boxes, and reports.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "message_box.h"
#include "options.h"
#include "process.h"
#include "report.h"
#include "window_watch.h"

using namespace uihelper;

namespace {

constexpr DWORD kPollMs = 50;
// How long the output pipes may stay open after the program has ended.
constexpr DWORD kDrainGraceMs = 2000;

void recordNewWindows(WindowWatcher& watcher, const PressChoice& press, Report& report) {
    for (const SeenWindow& w : watcher.poll()) {
        report.windows.push_back(WindowRecord{w.className, w.title});
        if (!isMessageBox(w.className)) continue;
        const MessageBoxInfo info = readMessageBox(w.hwnd);
        BoxRecord box{info.caption, info.text, {}, std::nullopt};
        for (const BoxButton& b : info.buttons) box.buttons.push_back(b.name);
        if (const BoxButton* button = chooseButton(info, press)) {
            if (pressButton(w.hwnd, *button)) box.pressed = button->name;
        }
        report.boxes.push_back(std::move(box));
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "uihelper: %s\n%s", error.c_str(), usageText());
        return 2;
    }

    ChildProcess child;
    if (!child.start(options.launch, error)) {
        std::fprintf(stderr, "uihelper: %s\n", error.c_str());
        return 3;
    }

    Report report;
    WindowWatcher watcher(child.pid());
    const ULONGLONG started = GetTickCount64();
    for (;;) {
        recordNewWindows(watcher, options.press, report);
        if (child.waitExit(kPollMs)) break;
        if (GetTickCount64() - started >= options.timeoutMs) {
            child.kill();
            report.timedOut = true;
            break;
        }
    }
    child.finishOutput(kDrainGraceMs);
    report.exitCode = child.exitCode();
    report.standardOutput = child.standardOutput();
    report.standardError = child.standardError();

    const std::string text = formatReport(report);
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return 0;
}
