#include "process.h"

#include <mutex>

#include "win_text.h"

namespace uihelper {

namespace {

// Exit code given to a child that is killed for running too long.
constexpr UINT kKilledExitCode = 1;

// A pipe whose write end the child inherits and whose read end stays with us.
bool makeOutputPipe(Handle& readEnd, Handle& childWriteEnd) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE r = nullptr;
    HANDLE w = nullptr;
    if (!CreatePipe(&r, &w, &inherit, 0)) return false;
    readEnd.reset(r);
    childWriteEnd.reset(w);
    return SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0) != 0;
}

// The child's standard input: the given file, or a pipe whose write end is closed at once.
bool makeInput(const std::optional<std::wstring>& file, Handle& childReadEnd, std::string& error) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (file) {
        childReadEnd.reset(CreateFileW(hostPath(*file).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!childReadEnd) {
            error = "cannot open " + narrow(*file) + ": " + errorText(GetLastError());
            return false;
        }
        return true;
    }
    HANDLE r = nullptr;
    HANDLE w = nullptr;
    if (!CreatePipe(&r, &w, &inherit, 0)) {
        error = "cannot create a pipe: " + errorText(GetLastError());
        return false;
    }
    childReadEnd.reset(r);
    CloseHandle(w);
    return true;
}

}  // namespace

std::wstring quoteArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless they precede a quote; then each is doubled and the
        // quote itself escaped.
        if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        out += c;
        backslashes = 0;
    }
    out.append(backslashes * 2, L'\\');  // they precede the closing quote
    out += L'"';
    return out;
}

std::wstring buildCommandLine(const std::wstring& program, const std::vector<std::wstring>& args) {
    // The program name is read up to the next quote with no escapes; a file name has no quotes.
    std::wstring line = program.find_first_of(L" \t") == std::wstring::npos && !program.empty()
                            ? program
                            : L"\"" + program + L"\"";
    for (const auto& arg : args) {
        line += L' ';
        line += quoteArgument(arg);
    }
    return line;
}

std::wstring hostPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/') return path;
    using DosNameFn = WCHAR*(CDECL*)(LPCSTR);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    FARPROC proc = kernel ? GetProcAddress(kernel, "wine_get_dos_file_name") : nullptr;
    if (!proc) return path;
    auto dosName = reinterpret_cast<DosNameFn>(reinterpret_cast<void (*)()>(proc));
    WCHAR* converted = dosName(narrow(path, CP_UTF8).c_str());
    if (!converted) return path;
    std::wstring result(converted);
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

// ---- PipeReader ----

struct PipeReader::State {
    Handle pipe;
    mutable std::mutex lock;
    std::string data;
};

PipeReader::PipeReader(Handle readEnd) : state_(std::make_shared<State>()) {
    state_->pipe = std::move(readEnd);
    // The thread holds its own reference, so a reader that never ends cannot outlive its state.
    auto* ref = new std::shared_ptr<State>(state_);
    thread_.reset(CreateThread(nullptr, 0, &PipeReader::run, ref, 0, nullptr));
    if (!thread_) delete ref;
}

PipeReader::~PipeReader() = default;

DWORD WINAPI PipeReader::run(LPVOID param) {
    std::unique_ptr<std::shared_ptr<State>> ref(static_cast<std::shared_ptr<State>*>(param));
    State& state = **ref;
    char buf[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(state.pipe.get(), buf, sizeof buf, &got, nullptr) || got == 0) break;
        std::lock_guard<std::mutex> guard(state.lock);
        state.data.append(buf, got);
    }
    return 0;
}

void PipeReader::finish(DWORD graceMs) {
    if (!thread_) return;
    if (WaitForSingleObject(thread_.get(), graceMs) == WAIT_TIMEOUT) {
        CancelSynchronousIo(thread_.get());
        WaitForSingleObject(thread_.get(), 1000);
    }
}

std::string PipeReader::contents() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->data;
}

// ---- ChildProcess ----

bool ChildProcess::start(const LaunchOptions& options, std::string& error) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    DWORD flags = 0;
    BOOL inheritHandles = FALSE;
    // The child's ends; ours are closed when this function returns, so that the pipes report
    // their end once the child (and whatever inherited them) is gone.
    Handle childIn;
    Handle childOut;
    Handle childErr;
    Handle outRead;
    Handle errRead;
    if (options.redirect) {
        if (!makeInput(options.stdinFile, childIn, error)) return false;
        if (!makeOutputPipe(outRead, childOut) || !makeOutputPipe(errRead, childErr)) {
            error = "cannot create a pipe: " + errorText(GetLastError());
            return false;
        }
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = childIn.get();
        si.hStdOutput = childOut.get();
        si.hStdError = childErr.get();
        inheritHandles = TRUE;
    } else {
        // No handles of ours and no console of ours; the child may make its own.
        flags |= DETACHED_PROCESS;
    }

    const std::wstring program = hostPath(options.program);
    const std::wstring line = buildCommandLine(program, options.args);
    std::vector<wchar_t> mutableLine(line.begin(), line.end());
    mutableLine.push_back(L'\0');
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, inheritHandles, flags, nullptr,
                        nullptr, &si, &pi)) {
        error = "cannot start " + narrow(program) + ": " + errorText(GetLastError());
        return false;
    }
    Handle thread(pi.hThread);
    process_.reset(pi.hProcess);
    pid_ = pi.dwProcessId;
    if (options.redirect) {
        out_ = std::make_unique<PipeReader>(std::move(outRead));
        err_ = std::make_unique<PipeReader>(std::move(errRead));
    }
    return true;
}

bool ChildProcess::waitExit(DWORD ms) const {
    return WaitForSingleObject(process_.get(), ms) != WAIT_TIMEOUT;
}

void ChildProcess::kill() {
    TerminateProcess(process_.get(), kKilledExitCode);
    WaitForSingleObject(process_.get(), 5000);
}

DWORD ChildProcess::exitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ChildProcess::finishOutput(DWORD graceMs) {
    if (out_) out_->finish(graceMs);
    if (err_) err_->finish(graceMs);
}

std::string ChildProcess::standardOutput() const { return out_ ? out_->contents() : std::string(); }
std::string ChildProcess::standardError() const { return err_ ? err_->contents() : std::string(); }

}  // namespace uihelper
