// Starting the program under test with its standard handles on pipes, and collecting its output.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "win_handle.h"

namespace uihelper {

// Quotes one argument so that the C runtime's command-line parser gives it back unchanged.
std::wstring quoteArgument(const std::wstring& arg);

// The full command line for CreateProcess: the program, then each argument quoted.
std::wstring buildCommandLine(const std::wstring& program, const std::vector<std::wstring>& args);

// A Unix path ("/...") turned into a Windows one when running under Wine; otherwise unchanged.
std::wstring hostPath(const std::wstring& path);

// Drains one pipe on a thread of its own, so the writer never blocks on a full pipe.
class PipeReader {
public:
    explicit PipeReader(Handle readEnd);
    ~PipeReader();
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;

    // Waits up to graceMs for the end of the data (all writers gone). A writer that lingers, such
    // as a grandchild that inherited the pipe, does not hold the report up: the read is cancelled.
    void finish(DWORD graceMs);
    std::string contents() const;

private:
    struct State;
    static DWORD WINAPI run(LPVOID param);

    std::shared_ptr<State> state_;
    Handle thread_;
};

struct LaunchOptions {
    std::wstring program;
    std::vector<std::wstring> args;
    std::optional<std::wstring> stdinFile;  // none: an empty input
    bool redirect = true;                   // false: no std handles, no shared console
};

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program; on failure returns false with a message in `error`.
    bool start(const LaunchOptions& options, std::string& error);

    DWORD pid() const { return pid_; }
    // True once the process has ended, waiting up to ms for it.
    bool waitExit(DWORD ms) const;
    void kill();
    DWORD exitCode() const;

    // Waits for the output pipes to drain (see PipeReader::finish).
    void finishOutput(DWORD graceMs);
    std::string standardOutput() const;
    std::string standardError() const;

private:
    Handle process_;
    DWORD pid_ = 0;
    std::unique_ptr<PipeReader> out_;
    std::unique_ptr<PipeReader> err_;
};

}  // namespace uihelper
