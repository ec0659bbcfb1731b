#include "report.h"

#include "escape.h"

namespace uihelper {

std::string formatReport(const Report& report) {
    std::string out = "started: 1\n";
    for (const WindowRecord& w : report.windows) {
        out += "window: class=" + escapeValue(w.className) + "|title=" + escapeValue(w.title) + "\n";
    }
    for (const BoxRecord& b : report.boxes) {
        std::string buttons;
        for (const std::string& name : b.buttons) {
            if (!buttons.empty()) buttons += ',';
            buttons += escapeValue(name, ",");
        }
        out += "box: caption=" + escapeValue(b.caption) + "|text=" + escapeValue(b.text) +
               "|buttons=" + buttons + "|pressed=" + (b.pressed ? escapeValue(*b.pressed) : "none") +
               "\n";
    }
    out += "timeout: " + std::string(report.timedOut ? "1" : "0") + "\n";
    out += "exit: " + std::to_string(report.exitCode) + "\n";
    out += "stdout: " + escapeValue(report.standardOutput) + "\n";
    out += "stderr: " + escapeValue(report.standardError) + "\n";
    return out;
}

}  // namespace uihelper
