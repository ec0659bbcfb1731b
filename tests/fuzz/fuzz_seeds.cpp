// Turns programs into the seed corpora of the fuzz targets.
//
//   fuzz_seeds OUT_DIR FILE...
//
// A FILE ending in .kb is program source and is built into its image; any other FILE is taken as
// an image as it stands. Each image goes to OUT_DIR/program, each of its lines to
// OUT_DIR/statement, and each expression found in its lines (an argument of a statement, the
// value of an assignment) to OUT_DIR/expression. File names are the contents' hashes, so a seed
// that several programs share is written once.
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "image_builder.h"

namespace {

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void writeSeed(const std::string& dir, const std::string& content) {
    if (content.empty()) return;
    char name[32];
    std::snprintf(name, sizeof name, "%016llx",
                  static_cast<unsigned long long>(std::hash<std::string>{}(content)) ^
                      (static_cast<unsigned long long>(content.size()) << 40));
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// The lines of an image: its segments without CR, LF and the final zero byte, blanks trimmed at
// the start; comment and blank lines left out.
std::vector<std::string> linesOf(const std::string& image) {
    std::vector<std::string> lines;
    std::istringstream in(image.substr(0, image.find('\0')));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '\'' || line[first] == ';') continue;
        lines.push_back(line.substr(first));
    }
    return lines;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The comma-separated parts of text at bracket depth 0 and outside string literals.
std::vector<std::string> topLevelParts(const std::string& text) {
    std::vector<std::string> parts;
    int depth = 0;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '(' || c == '[') ++depth;
        else if ((c == ')' || c == ']') && depth > 0) --depth;
        else if (c == ',' && depth == 0) {
            parts.push_back(trimmed(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    return parts;
}

// The expressions of one line: the arguments of a statement line, or the value of an assignment.
std::vector<std::string> expressionsOf(const std::string& line) {
    if (line.size() >= 3 && static_cast<unsigned char>(line[0]) == 0xFF) return topLevelParts(line.substr(3));
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) return {};
    return {trimmed(line.substr(equals + 1))};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fuzz_seeds OUT_DIR FILE...\n");
        return 2;
    }
    const std::string out = argv[1];
    int images = 0;
    std::set<std::string> statements, expressions;
    for (int i = 2; i < argc; ++i) {
        const std::string path = argv[i];
        std::string content, image, error;
        if (!readFile(path, content)) {
            std::fprintf(stderr, "fuzz_seeds: cannot read %s\n", path.c_str());
            return 1;
        }
        if (path.size() > 3 && path.compare(path.size() - 3, 3, ".kb") == 0) {
            if (!kestrun::buildImage(content, path, image, error)) {
                std::fprintf(stderr, "fuzz_seeds: %s\n", error.c_str());
                continue;
            }
        } else {
            image = content;
        }
        if (!image.empty() && image.back() == '\0') image.pop_back();
        writeSeed(out + "/program", image);
        ++images;
        for (const std::string& line : linesOf(image)) {
            statements.insert(line);
            for (const std::string& e : expressionsOf(line)) expressions.insert(e);
        }
    }
    for (const std::string& s : statements) writeSeed(out + "/statement", s);
    for (const std::string& e : expressions) writeSeed(out + "/expression", e);
    std::printf("fuzz_seeds: %d programs, %zu lines, %zu expressions\n", images, statements.size(),
                expressions.size());
    return 0;
}
