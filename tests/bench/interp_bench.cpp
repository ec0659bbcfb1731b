// Times the interpreter on one program: builds its image once, then runs it RUNS times in fresh
// interpreters and prints the best and median run and the statements per second that follow from
// the statement count the program declares in a comment line "' statements: N".
//
//   interp_bench PROGRAM.kb [RUNS]
//
// A measurement, not a test: it checks nothing but that the program runs without an error.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core_harness.h"

namespace {

long long declaredStatements(const std::string& source) {
    const std::string marker = "' statements: ";
    const std::size_t at = source.find(marker);
    return at == std::string::npos ? 0 : std::atoll(source.c_str() + at + marker.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: interp_bench PROGRAM.kb [RUNS]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "interp_bench: cannot read %s\n", argv[1]);
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    const std::string image = kestrun::test::imageOf(source);
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const kestrun::test::RunResult result = kestrun::test::runImage(image);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (!result.ranClean || result.errorCode != 0) {
            std::fprintf(stderr, "interp_bench: the program stopped with error %d on line %d\n",
                         result.errorCode, result.line);
            return 1;
        }
        seconds.push_back(took.count());
    }
    std::sort(seconds.begin(), seconds.end());
    const double best = seconds.front();
    const double median = seconds[seconds.size() / 2];
    const long long statements = declaredStatements(source);
    std::printf("%s: %d runs, best %.1f ms, median %.1f ms", argv[1], runs, best * 1e3, median * 1e3);
    if (statements > 0) std::printf(", %.2f million statements/s (best)", statements / best / 1e6);
    std::printf("\n");
    return 0;
}
