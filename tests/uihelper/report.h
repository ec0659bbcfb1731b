// The report printed after a run: one "key: value" record per line, values escaped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace uihelper {

struct WindowRecord {
    std::string className;
    std::string title;
};

struct BoxRecord {
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
    std::optional<std::string> pressed;  // none when no button was pressed
};

struct Report {
    std::vector<WindowRecord> windows;  // in order of first sight
    std::vector<BoxRecord> boxes;
    bool timedOut = false;
    std::uint32_t exitCode = 0;
    std::string standardOutput;
    std::string standardError;
};

// started, window..., box..., timeout, exit, stdout, stderr; each line ends with '\n'.
std::string formatReport(const Report& report);

}  // namespace uihelper
