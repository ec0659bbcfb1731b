// The helper's command line.
#pragma once

#include <windows.h>

#include <string>

#include "message_box.h"
#include "process.h"

namespace uihelper {

constexpr DWORD kDefaultTimeoutMs = 20000;

struct Options {
    LaunchOptions launch;
    DWORD timeoutMs = kDefaultTimeoutMs;
    PressChoice press;
};

// Parses argv (argv[0] is the helper itself). On a usage error returns false with `error` set.
bool parseOptions(int argc, wchar_t** argv, Options& options, std::string& error);

const char* usageText();

}  // namespace uihelper
