#include "core_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "image_builder.h"

namespace kestrun::test {

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
