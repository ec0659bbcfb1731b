#include "core_harness.h"

#include <gtest/gtest.h>

#include "image_builder.h"

namespace kestrun::test {

std::string imageOf(const std::string& source) {
    std::string image, error;
    EXPECT_TRUE(buildImage(source, "test.kb", image, error)) << error;
    return image;
}

RunResult runImage(const std::string& image) {
    RunResult result;
    result.built = true;
    std::vector<std::uint8_t> buffer(image.begin(), image.end());
    if (buffer.empty() || buffer.back() != 0) buffer.push_back(0);
    RecordingHost host;
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
    std::string image, error;
    if (!buildImage(source, "test.kb", image, error)) {
        ADD_FAILURE() << "build failed: " << error;
        return RunResult{};
    }
    return runImage(image);
}

}  // namespace kestrun::test
