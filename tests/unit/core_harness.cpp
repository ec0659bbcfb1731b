#include "core_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "image_builder.h"

namespace kestrun::test {

// ---- Files and directories of the recording host ------------------------------------------------
// The real file system through the standard library, so that the same tests run in both trees.

namespace {

namespace fs = std::filesystem;

// True when name matches pattern: "*" stands for any run of characters, "?" for one.
bool wildcardMatch(const char* pattern, const char* name) {
    if (*pattern == '\0') return *name == '\0';
    if (*pattern == '*') return wildcardMatch(pattern + 1, name) || (*name && wildcardMatch(pattern, name + 1));
    return *name && (*pattern == '?' || *pattern == *name) && wildcardMatch(pattern + 1, name + 1);
}

// One directory search: the entries still to come and the pattern their names must match.
struct DirectorySearch {
    fs::directory_iterator next;
    std::string pattern;
};

// Copies the next entry of search that matches its pattern into name; End at the end of the
// directory, Failed when the system fails to list it.
Host::FindStep nextMatch(DirectorySearch& search, char* name, std::size_t nameSize) {
    std::error_code error;
    for (; search.next != fs::directory_iterator(); search.next.increment(error)) {
        if (error) return Host::FindStep::Failed;
        const std::string entry = search.next->path().filename().string();
        if (!wildcardMatch(search.pattern.c_str(), entry.c_str())) continue;
        std::snprintf(name, nameSize, "%s", entry.c_str());
        search.next.increment(error);
        return Host::FindStep::Found;
    }
    return error ? Host::FindStep::Failed : Host::FindStep::End;
}

}  // namespace

bool RecordingHost::copyFile(const char* source, const char* destination, bool failIfExists) {
    std::error_code error;
    if ((failIfExists && fs::exists(destination, error)) || !fs::is_regular_file(source, error)) return false;
    std::ifstream in(source, std::ios::binary);
    std::ofstream out(destination, std::ios::binary | std::ios::trunc);
    if (!in || !out) return false;
    out << in.rdbuf();
    return static_cast<bool>(out.flush());
}

bool RecordingHost::deleteFile(const char* path) {
    std::error_code error;
    return !fs::is_directory(path, error) && fs::remove(path, error);
}

bool RecordingHost::makeDirectory(const char* path) {
    std::error_code error;
    return fs::create_directory(path, error);
}

bool RecordingHost::removeDirectory(const char* path) {
    std::error_code error;
    return fs::is_directory(path, error) && fs::remove(path, error);
}

// The pattern's directory part is listed ("." without one); its last part is matched with the
// wildcards, "*.*" standing for every name as it does on the engine's system.
void* RecordingHost::findFirst(const char* pattern, char* name, std::size_t nameSize) {
    const std::string text = pattern;
    const std::size_t cut = text.find_last_of("/\\");
    const std::string directory = cut == std::string::npos ? "." : text.substr(0, cut + 1);
    std::string namePattern = cut == std::string::npos ? text : text.substr(cut + 1);
    if (namePattern == "*.*") namePattern = "*";
    std::error_code error;
    fs::directory_iterator entries(directory, error);
    if (error) return nullptr;
    auto* search = new DirectorySearch{entries, namePattern};
    if (nextMatch(*search, name, nameSize) != FindStep::Found) {
        delete search;
        return nullptr;
    }
    ++openSearches;
    return search;
}

Host::FindStep RecordingHost::findNext(void* search, char* name, std::size_t nameSize) {
    if (failNextFind) {
        failNextFind = false;
        return FindStep::Failed;
    }
    return nextMatch(*static_cast<DirectorySearch*>(search), name, nameSize);
}

void RecordingHost::findClose(void* search) {
    delete static_cast<DirectorySearch*>(search);
    --openSearches;
}

// ---- Running programs ----------------------------------------------------------------------------

namespace {

// With KESTRUN_SEED_DIR set, every image a test runs is also written there (named by its hash),
// which is how the fuzz targets' seed corpus is made from the tests' programs.
void keepAsSeed(const std::string& content) {
    const char* dir = std::getenv("KESTRUN_SEED_DIR");
    if (!dir || !dir[0]) return;
    char name[32];
    std::snprintf(name, sizeof name, "test-%016llx.img",
                  static_cast<unsigned long long>(std::hash<std::string>{}(content)));
    if (std::FILE* out = std::fopen((std::string(dir) + "/" + name).c_str(), "wb")) {
        std::fwrite(content.data(), 1, content.size(), out);
        std::fclose(out);
    }
}

}  // namespace

std::string imageOf(const std::string& source) {
    std::string image, error;
    EXPECT_TRUE(buildImage(source, "test.kb", image, error)) << error;
    keepAsSeed(image);
    return image;
}

RunResult runImage(const std::string& image) {
    RecordingHost host;
    return runImage(image, host);
}

RunResult runImage(const std::string& image, RecordingHost& host) {
    RunResult result;
    result.built = true;
    std::vector<std::uint8_t> buffer(image.begin(), image.end());
    if (buffer.empty() || buffer.back() != 0) buffer.push_back(0);
    keepAsSeed(std::string(buffer.begin(), buffer.end()));
    TestKestrun engine(host);
    engine.programImage = buffer.data();
    if (!engine.initialise()) return result;
    result.ranClean = engine.run();
    if (engine.reported) {
        result.errorCode = engine.reportedCode;
        result.line = engine.reportedLine;
    }
    result.boxes = host.boxes;
    return result;
}

RunResult runSource(const std::string& source) {
    RecordingHost host;
    return runSource(source, host);
}

RunResult runSource(const std::string& source, RecordingHost& host) {
    std::string image, error;
    if (!buildImage(source, "test.kb", image, error)) {
        ADD_FAILURE() << "build failed: " << error;
        return RunResult{};
    }
    return runImage(image, host);
}

namespace {

// The value of one variable as the text ReadResult describes.
std::string valueText(Kestrun& engine, const std::string& name) {
    std::string copy = name;
    engine.errorCode = 0;
    Variable* v = engine.findVariable(copy.data(), nullptr, false);
    engine.errorCode = 0;
    if (!v) return "<missing>";
    const std::uint8_t* p = v->data;
    if (!p) return "<no value>";
    char text[64];
    switch (v->type) {
        case TypeString: return std::string(reinterpret_cast<const char*>(p));
        case TypeChar: return std::to_string(*p);
        case TypeWord: { std::uint16_t n; std::memcpy(&n, p, 2); return std::to_string(n); }
        case TypeInt: { std::int32_t n; std::memcpy(&n, p, 4); return std::to_string(n); }
        case TypeUInt: { std::uint32_t n; std::memcpy(&n, p, 4); return std::to_string(n); }
        case TypeInt64: { std::int64_t n; std::memcpy(&n, p, 8); return std::to_string(n); }
        case TypeUInt64: { std::uint64_t n; std::memcpy(&n, p, 8); return std::to_string(n); }
        case TypeFloat: { float f; std::memcpy(&f, p, 4); std::snprintf(text, sizeof text, "%.7g", f); return text; }
        case TypeDouble: { double d; std::memcpy(&d, p, 8); std::snprintf(text, sizeof text, "%.15g", d); return text; }
        default: return "<no value>";
    }
}

}  // namespace

ReadResult runAndRead(const std::string& source, const std::vector<std::string>& names,
                      const std::function<void(TestKestrun&)>& prepare) {
    RecordingHost host;
    return runAndRead(source, names, host, prepare);
}

ReadResult runAndRead(const std::string& source, const std::vector<std::string>& names, RecordingHost& host,
                      const std::function<void(TestKestrun&)>& prepare) {
    ReadResult result;
    std::string image, error;
    if (!buildImage(source, "test.kb", image, error)) {
        ADD_FAILURE() << "build failed: " << error;
        return result;
    }
    result.built = true;
    std::vector<std::uint8_t> buffer(image.begin(), image.end());
    buffer.push_back(0);
    keepAsSeed(std::string(buffer.begin(), buffer.end()));
    TestKestrun engine(host);
    engine.programImage = buffer.data();
    if (!engine.initialise()) return result;
    if (prepare) prepare(engine);
    result.ranClean = engine.run();
    if (engine.reported) {
        result.errorCode = engine.reportedCode;
        result.line = engine.reportedLine;
    }
    result.boxes = host.boxes;
    for (const std::string& name : names) result.values.push_back(valueText(engine, name));
    return result;
}

}  // namespace kestrun::test
