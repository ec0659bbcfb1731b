// End-to-end tests: every program in tests/e2e/programs is built into a real executable and run
// under Wine through the UI helper, with redirected standard streams. Each program states what
// must happen in comment lines of its own:
//
//   ' stdin: TEXT              standard input (C escapes: \n, \\, \xHH)
//   ' expect-exit: N           process exit code (default 0)
//   ' expect-stdout: TEXT      whole standard output (lines are joined; default: not checked);
//                              {today:PICTURE} stands for the local date of the run written
//                              with the strftime PICTURE (the date when the run started or
//                              when it ended, should the day change meanwhile)
//   ' expect-box: CAPTION|TEXT one message box, pressed with its default button (default: none)
//   ' expect-windows: N        visible windows other than message boxes (default 0)
//   ' expect-file: NAME|TEXT   a file the program leaves in its working directory, with exactly
//                              TEXT (several lines for one NAME are joined)
//
// Each program runs in a fresh, empty working directory of its own. The packed programs lie in
// one work directory together with the Windows tree's test library (kestrun_testdll.dll), which
// programs that call into a library load from beside themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "program_packer.h"

namespace fs = std::filesystem;

namespace {

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        switch (c) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'x':
                if (i + 2 < text.size()) {
                    out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                }
                break;
            default: out += c; break;
        }
    }
    return out;
}

// The UI helper's report: "key: value" lines with escaped values.
struct Report {
    bool started = false;
    bool timedOut = false;
    long long exitCode = -1;
    std::string stdoutText, stderrText;
    std::vector<std::map<std::string, std::string>> boxes;
    std::vector<std::map<std::string, std::string>> windows;
    std::string raw;
};

std::map<std::string, std::string> parseFields(const std::string& value) {
    std::map<std::string, std::string> fields;
    std::stringstream in(value);
    std::string field;
    while (std::getline(in, field, '|')) {
        const auto eq = field.find('=');
        if (eq != std::string::npos) fields[field.substr(0, eq)] = unescape(field.substr(eq + 1));
    }
    return fields;
}

Report parseReport(const std::string& text) {
    Report r;
    r.raw = text;
    std::stringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto colon = line.find(": ");
        const std::string key = line.substr(0, colon);
        const std::string value = colon == std::string::npos ? "" : line.substr(colon + 2);
        if (key == "started") r.started = value == "1";
        else if (key == "timeout") r.timedOut = value == "1";
        else if (key == "exit") r.exitCode = std::atoll(value.c_str());
        else if (key == "stdout") r.stdoutText = unescape(value);
        else if (key == "stderr") r.stderrText = unescape(value);
        else if (key == "box") r.boxes.push_back(parseFields(value));
        else if (key == "window") r.windows.push_back(parseFields(value));
    }
    return r;
}

std::string windowsPath(const fs::path& p) {
    std::string s = "Z:" + fs::absolute(p).string();
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

fs::path workDir() {
    fs::path dir = fs::path(KESTRUN_E2E_WORK_DIR);
    fs::create_directories(dir);
    return dir;
}

// Puts the test library beside the packed programs (a program without it fails to load it, which
// its expectations then show).
void provideTestLibrary() {
    const fs::path library(KESTRUN_TEST_LIBRARY);
    std::error_code ignored;
    if (fs::exists(library)) fs::copy_file(library, workDir() / library.filename(), fs::copy_options::overwrite_existing, ignored);
}

// Runs a Windows program through the UI helper, in the working directory cwd (the caller's when
// empty), and returns its report.
Report runWithHelper(const fs::path& exe, const std::string& stdinText, const fs::path& cwd = {},
                     const std::string& extraOptions = "") {
    const fs::path stdinFile = workDir() / (exe.stem().string() + ".stdin");
    {
        std::ofstream out(stdinFile, std::ios::binary);
        out << stdinText;
    }
    const std::string command = (cwd.empty() ? std::string() : "cd " + shellQuote(fs::absolute(cwd).string()) + " && ") +
                                std::string(KESTRUN_WINDOWS_RUNNER) + " " + shellQuote(KESTRUN_UIHELPER) +
                                " run --timeout 120000 " + extraOptions + " --stdin " +
                                shellQuote(windowsPath(stdinFile)) + " -- " + shellQuote(windowsPath(exe)) +
                                " </dev/null 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
        pclose(pipe);
    }
    return parseReport(output);
}

struct Expectations {
    std::string stdinText;
    long long exitCode = 0;
    bool checkStdout = false;
    std::string stdoutText;
    std::vector<std::pair<std::string, std::string>> boxes;  // caption, text
    std::size_t windows = 0;
    std::map<std::string, std::string> files;  // name in the working directory, contents
};

Expectations readExpectations(const fs::path& program) {
    Expectations e;
    std::ifstream in(program, std::ios::binary);
    std::string line;
    auto field = [&](const char* key, std::string& value) {
        const std::string prefix = std::string("' ") + key + ": ";
        if (line.rfind(prefix, 0) != 0) return false;
        value = line.substr(prefix.size());
        return true;
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string v;
        if (field("stdin", v)) e.stdinText += unescape(v);
        else if (field("expect-exit", v)) e.exitCode = std::atoll(v.c_str());
        else if (field("expect-stdout", v)) {
            e.checkStdout = true;
            e.stdoutText += unescape(v);
        } else if (field("expect-box", v)) {
            const auto bar = v.find('|');
            e.boxes.emplace_back(unescape(v.substr(0, bar)), unescape(v.substr(bar + 1)));
        } else if (field("expect-file", v)) {
            const auto bar = v.find('|');
            e.files[v.substr(0, bar)] += unescape(v.substr(bar + 1));
        } else if (field("expect-windows", v)) {
            e.windows = static_cast<std::size_t>(std::atoll(v.c_str()));
        }
    }
    return e;
}

std::vector<std::string> programNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(KESTRUN_E2E_PROGRAMS))
        if (entry.path().extension() == ".kb") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// text with every "{today:PICTURE}" replaced by the local date of when, written with the strftime
// PICTURE. A placeholder without its closing brace stays as it is.
std::string withDateOf(const std::string& text, std::time_t when) {
    static const std::string open = "{today:";
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(open, from)) != std::string::npos;) {
        const std::size_t close = text.find('}', at);
        if (close == std::string::npos) break;
        out.append(text, from, at - from);
        const std::string picture = text.substr(at + open.size(), close - at - open.size());
        char date[128] = "";
        std::strftime(date, sizeof date, picture.c_str(), std::localtime(&when));
        out += date;
        from = close + 1;
    }
    return out + text.substr(from);
}

// What differs between a run's report and the program's expectations; empty when nothing does.
std::string describeMismatch(const Expectations& e, const Report& r, const fs::path& cwd) {
    std::ostringstream out;
    for (const auto& [name, text] : e.files) {
        std::ifstream in(cwd / name, std::ios::binary);
        const std::string found((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.is_open() || found != text) out << "file " << name << " differs; ";
    }
    if (!r.started) out << "the helper did not start the program; ";
    if (r.timedOut) out << "timed out; ";
    if (r.exitCode != e.exitCode) out << "exit " << r.exitCode << " instead of " << e.exitCode << "; ";
    if (e.checkStdout && r.stdoutText != e.stdoutText) out << "stdout differs; ";
    if (r.boxes.size() != e.boxes.size()) {
        out << r.boxes.size() << " boxes instead of " << e.boxes.size() << "; ";
    } else {
        for (std::size_t i = 0; i < e.boxes.size(); ++i) {
            const auto caption = r.boxes[i].find("caption");
            const auto text = r.boxes[i].find("text");
            if (caption == r.boxes[i].end() || caption->second != e.boxes[i].first) out << "box " << i << " caption differs; ";
            if (text == r.boxes[i].end() || text->second != e.boxes[i].second) out << "box " << i << " text differs; ";
        }
    }
    std::size_t plainWindows = 0;
    for (const auto& w : r.windows)
        if (w.count("class") && w.at("class") != "#32770") ++plainWindows;
    if (plainWindows != e.windows) out << plainWindows << " windows instead of " << e.windows << "; ";
    return out.str();
}

class Program : public ::testing::TestWithParam<std::string> {};

TEST_P(Program, BehavesAsItsCommentsSay) {
    const fs::path source = fs::path(KESTRUN_E2E_PROGRAMS) / (GetParam() + ".kb");
    const fs::path exe = workDir() / (GetParam() + ".exe");
    std::string error;
    ASSERT_TRUE(kestrun::packProgram(source.string(), KESTRUN_ENGINE, exe.string(), error)) << error;
    provideTestLibrary();

    const Expectations e = readExpectations(source);
    // Under slow emulation Wine can fail to bring up its desktop process in time, and then the
    // first window of a run never appears. Such a run differs from every expectation in a way a
    // second run does not repeat, so a program gets up to two runs and must match in one.
    std::string mismatch;
    Report r;
    const fs::path cwd = workDir() / (GetParam() + ".cwd");
    for (int attempt = 0; attempt < 2; ++attempt) {
        fs::remove_all(cwd);
        fs::create_directories(cwd);
        Expectations dated = e;
        const std::time_t start = std::time(nullptr);
        r = runWithHelper(exe, e.stdinText, cwd);
        dated.stdoutText = withDateOf(e.stdoutText, start);
        mismatch = describeMismatch(dated, r, cwd);
        if (!mismatch.empty()) {
            dated.stdoutText = withDateOf(e.stdoutText, std::time(nullptr));
            mismatch = describeMismatch(dated, r, cwd);
        }
        if (mismatch.empty()) break;
    }
    EXPECT_EQ(mismatch, "") << r.raw;
}

INSTANTIATE_TEST_SUITE_P(Programs, Program, ::testing::ValuesIn(programNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// The bare engine carries no program: it must end at once, silently, with exit code 0.
TEST(Engine, WithoutProgramEndsSilently) {
    const fs::path exe = workDir() / "bare-engine.exe";
    fs::copy_file(KESTRUN_ENGINE, exe, fs::copy_options::overwrite_existing);
    const Report r = runWithHelper(exe, "");
    ASSERT_TRUE(r.started) << r.raw;
    EXPECT_FALSE(r.timedOut) << r.raw;
    EXPECT_EQ(r.exitCode, 0) << r.raw;
    EXPECT_TRUE(r.boxes.empty()) << r.raw;
    EXPECT_TRUE(r.windows.empty()) << r.raw;
    EXPECT_EQ(r.stdoutText, "") << r.raw;
}

}  // namespace
