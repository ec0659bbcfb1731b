// kbuild: the program builder's command line.
//   kbuild image SRC -o OUT.img                    writes the line image (not scrambled)
//   kbuild pack SRC -o OUT.exe --engine ENGINE.exe  writes the runnable program
// Exit status: 0 done, 1 the build failed (message on stderr), 2 the command line is wrong.
#include "program_packer.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kExitBuildFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: kbuild image SRC -o OUT.img\n"
    "       kbuild pack SRC -o OUT.exe --engine ENGINE.exe\n";

struct CommandLine {
    std::string command;
    std::string source;
    std::string output;
    std::string engine;
};

int usageError(const std::string& message) {
    std::fprintf(stderr, "kbuild: %s\n%s", message.c_str(), kUsage);
    return kExitUsage;
}

// Reads the arguments after the command word; returns an empty text or what is wrong.
std::string parseArguments(int argc, char** argv, CommandLine& line) {
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        std::string* valueFor = nullptr;
        if (argument == "-o") valueFor = &line.output;
        if (argument == "--engine") valueFor = &line.engine;
        if (valueFor != nullptr) {
            if (i + 1 >= argc) return argument + " needs a file name";
            if (!valueFor->empty()) return argument + " given twice";
            *valueFor = argv[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            return "unknown option " + argument;
        } else if (!line.source.empty()) {
            return "more than one source file";
        } else {
            line.source = argument;
        }
    }
    if (line.source.empty()) return "no source file";
    if (line.output.empty()) return "no output file (-o)";
    if (line.command == "pack" && line.engine.empty()) return "no engine executable (--engine)";
    if (line.command == "image" && !line.engine.empty()) return "--engine belongs to the pack command";
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc < 2) return usageError("no command");
    CommandLine line;
    line.command = argv[1];
    if (line.command != "image" && line.command != "pack") return usageError("unknown command " + line.command);
    const std::string problem = parseArguments(argc, argv, line);
    if (!problem.empty()) return usageError(problem);

    std::string error;
    const bool done = line.command == "image" ? kestrun::writeProgramImage(line.source, line.output, error)
                                              : kestrun::packProgram(line.source, line.engine, line.output, error);
    if (!done) {
        std::fprintf(stderr, "%s\n", error.c_str());  // "FILE:LINE: message", as compilers print it
        return kExitBuildFailed;
    }
    return 0;
}
