// The file statements: open modes and their statuses, text round trips of every type, line reads
// into short strings, the end-of-file indicator, binary records and their offsets, and that every
// byte a program wrote reaches the disk however the run ends.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "scratch_directory.h"

namespace kestrun::test {
namespace {

// Little-endian bytes of a 32-bit value.
std::string le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

// The bytes of a text file written as text: lines end with the system's line end.
std::string asText(const std::string& lines) {
#ifdef _WIN32
    std::string out;
    for (char c : lines) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
#else
    return lines;
#endif
}

// A 255-byte string buffer holding text.
std::string stringBuffer(const std::string& text) {
    std::string s(255, '\0');
    s.replace(0, text.size(), text);
    return s;
}

class Files : public EngineFixture {
protected:
    void TearDown() override { k.releaseProgram(); }  // closes the files before the directory goes

    // Runs each line; fails the test at the first that stops with an error.
    void lines(const std::vector<std::string>& source) {
        for (const std::string& l : source) ASSERT_EQ(runLine(l), 0) << l;
    }
    std::int32_t status() const { return static_cast<std::int32_t>(k.constants[kFileStatusConstant]); }
    // The value of an INT, FLOAT or DOUBLE variable (an assignment declares an INT or a FLOAT).
    double number(const std::string& name) {
        Variable* v = find(name);
        if (!v) return -1e300;
        if (v->type == TypeInt) return value<std::int32_t>(name);
        return v->type == TypeFloat ? value<float>(name) : value<double>(name);
    }

    ScratchDirectory dir;
};

// ---- Opening ---------------------------------------------------------------------------------------

struct OpenCase {
    const char* statement;
    int error;
    std::int32_t status;
    bool opened;
};

TEST_F(Files, OpenModesAndTheirStatuses) {
    ScratchDirectory::write("exists.txt", "0123456789");
    lines({"DIM f : FILE", "DIM b : BFILE", "DIM n : INT"});
    const OpenCase cases[] = {
        {"FILEOPEN f, \"missing.txt\", \"R\"", 0, 205, false},
        {"FILEOPEN f, \"missing.txt\", \"read\"", 0, 205, false},
        {"FILEOPEN f, \"made.txt\", \"w\"", 0, 0, true},
        {"FILEOPEN f, \"appended.txt\", \"A\"", 0, 0, true},      // text append creates the file
        {"FILEOPEN f, \"no-such-dir/x.txt\", \"W\"", 0, 206, false},
        {"FILEOPEN b, \"missing.bin\", \"a\"", 0, 207, false},    // binary append needs the file
        {"FILEOPEN b, \"exists.txt\", \"A\"", 0, 0, true},
        {"FILEOPEN b, \"missing.bin\", \"R\"", 0, 205, false},
        {"FILEOPEN b, \"made.bin\", \"W\"", 0, 0, true},
        {"FILEOPEN f, \"exists.txt\", \"X\"", 1, 0, false},
        {"FILEOPEN f, \"exists.txt\", \"\"", 1, 0, false},
        {"FILEOPEN f, \"exists.txt\"", 1, 0, false},
        {"FILEOPEN n, \"exists.txt\", \"R\"", 14, 0, false},
    };
    for (const OpenCase& c : cases) {
        k.constants[kFileStatusConstant] = 12345;
        ASSERT_EQ(runLine(c.statement), c.error) << c.statement;
        if (c.error) continue;
        EXPECT_EQ(resultType(), TypeInt) << c.statement;
        EXPECT_EQ(intResult(), c.status) << c.statement;
        EXPECT_EQ(status(), c.status) << c.statement;
        const char* variable = std::strstr(c.statement, " b,") ? "b" : "f";
        EXPECT_EQ(value<std::uint32_t>(variable) != 0, c.opened) << c.statement;
    }
    EXPECT_EQ(ScratchDirectory::read("made.txt"), "");
    EXPECT_EQ(ScratchDirectory::read("missing.bin"), "<missing>");
    // The variable holds 0 after a failed open: reading from it fails with 52.
    ASSERT_EQ(runLine("FILEOPEN f, \"missing.txt\", \"R\""), 0);
    EXPECT_EQ(runLine("FILEREAD f, n"), 52);
}

TEST_F(Files, BinaryAppendModeWritesAtTheStartOfTheFile) {
    ScratchDirectory::write("data.bin", "abcdefgh");
    lines({"DIM b : BFILE", "DIM first : WORD", "DIM second : WORD", "second = 12345", "FILEOPEN b, \"data.bin\", \"A\"",
           "FILEREAD b, first", "FILEWRITE b, second", "p = FILEPOSITION(b)", "FILECLOSE b"});
    EXPECT_EQ(value<std::uint16_t>("first"), 'a' | ('b' << 8));
    EXPECT_EQ(number("p"), 4);
    // The write after the read lands where the read stopped.
    EXPECT_EQ(ScratchDirectory::read("data.bin"), "ab90efgh");
}

// ---- Text files ------------------------------------------------------------------------------------

struct RoundTripCase {
    const char* type;
    const char* value;
    const char* written;  // the file's text
    const char* readBack;
};

TEST(FileText, EveryTypeRoundTripsThroughItsPrintedForm) {
    ScratchDirectory dir;
    const RoundTripCase cases[] = {
        {"INT", "-42", "-42 \n", "-42"},
        {"INT", "2147483647", "2147483647 \n", "2147483647"},
        {"WORD", "65535", "65535\n", "65535"},
        {"UINT", "4294967295", "4294967295 \n", "4294967295"},
        {"INT64", "-9000000000", "-9000000000 \n", "-9000000000"},
        {"UINT64", "9000000000", "9000000000 \n", "9000000000"},
        {"FLOAT", "2.5", " 2.50\n", "2.5"},
        {"DOUBLE", "-1234.25", " -1234.25\n", "-1234.25"},
        {"DOUBLE", "3", "3 \n", "3"},
        {"CHAR", "65", "A\n", "65"},
        {"STRING", "\"two words \"", "two words \n", "two words "},
    };
    for (const RoundTripCase& c : cases) {
        const std::string source = std::string("DIM v : ") + c.type + "\nDIM w : " + c.type +
                                   "\nDIM f : FILE\nv = " + c.value +
                                   "\nFILEOPEN f, \"t.txt\", \"W\"\nFILEWRITE f, v\nFILECLOSE f\n"
                                   "FILEOPEN f, \"t.txt\", \"R\"\nFILEREAD f, w\nFILECLOSE f\n";
        const ReadResult r = runAndRead(source, {"w", "SYSTEM_INT0"});
        ASSERT_EQ(r.errorCode, 0) << c.type << " " << c.value;
        EXPECT_EQ(ScratchDirectory::read("t.txt"), asText(c.written)) << c.type << " " << c.value;
        EXPECT_EQ(r.values[0], c.readBack) << c.type << " " << c.value;
        EXPECT_EQ(r.values[1], "0") << c.type << " " << c.value;
    }
}

TEST_F(Files, SeveralValuesOnOneLineReadBackInOrder) {
    lines({"DIM f : FILE", "DIM a, b, c : INT", "DIM x : DOUBLE", "a = 1", "b = -2", "x = 0.75",
           "FILEOPEN f, \"v.txt\", \"W\"", "FILEWRITE f, a, b, x", "FILEWRITE f, \"tail\"", "FILECLOSE f",
           "a = 0", "b = 0", "x = 0", "FILEOPEN f, \"v.txt\", \"R\"", "FILEREAD f, a, b, x, c"});
    EXPECT_EQ(ScratchDirectory::read("v.txt"), asText("1 -2  0.75\ntail\n"));
    EXPECT_EQ(value<std::int32_t>("a"), 1);
    EXPECT_EQ(value<std::int32_t>("b"), -2);
    EXPECT_EQ(value<double>("x"), 0.75);
    // "tail" is no number: nothing is converted for c.
    EXPECT_EQ(intResult(), 999);
    EXPECT_EQ(value<std::int32_t>("c"), 0);
}

struct LineReadCase {
    const char* declaration;
    std::string content;
    std::vector<std::string> reads;  // text after each read; the read after the last one finds nothing
};

TEST_F(Files, LinesLongerThanTheTargetComeInParts) {
    const std::string longLine(300, 'x');
    const LineReadCase cases[] = {
        {"DIM s : STRING", longLine + "\nend\n", {std::string(253, 'x'), std::string(47, 'x'), "end"}},
        {"DIM s[10] : ISTRING", "abcdefghijklmnopqrstuvwxyz\n", {"abcdefghi", "jklmnopqr", "stuvwxyz"}},
        {"DIM s[10] : ISTRING", "no line end", {"no line e", "nd"}},
        {"DIM s : STRING", "\n\nlast", {"", "", "last"}},
    };
    for (const LineReadCase& c : cases) {
        ScratchDirectory::write("in.txt", c.content);
        lines({"DIM f : FILE", c.declaration, "FILEOPEN f, \"in.txt\", \"R\""});
        for (const std::string& expected : c.reads) {
            ASSERT_EQ(runLine("FILEREAD f, s"), 0);
            EXPECT_EQ(intResult(), 0) << c.declaration;
            EXPECT_EQ(text("s"), expected) << c.declaration;
        }
        ASSERT_EQ(runLine("FILEREAD f, s"), 0);
        EXPECT_EQ(intResult(), 999) << c.declaration;
        EXPECT_EQ(text("s"), c.reads.back()) << c.declaration;  // left as it was
        lines({"FILECLOSE f", "DELETE f", "DELETE s"});
    }
}

struct EofCase {
    const char* fileType;
    const char* targetType;
    std::string content;
    std::vector<std::pair<std::int32_t, std::int32_t>> reads;  // status and EOF() after each read
};

TEST_F(Files, EndOfFileIsSetOnlyByAReadThatMetTheEnd) {
    const EofCase cases[] = {
        {"FILE", "INT", "7\n", {{0, 0}, {999, 16}}},
        {"FILE", "INT", "7", {{0, 16}, {999, 16}}},  // reading the number met the end
        {"FILE", "STRING", "x\n", {{0, 0}, {999, 16}}},
        {"FILE", "STRING", "", {{999, 16}}},
        {"FILE", "CHAR", "A", {{0, 0}, {999, 16}}},
        {"BFILE", "INT", le32(7), {{0, 0}, {999, 16}}},
        {"BFILE", "INT", "ab", {{0, 16}, {999, 16}}},
    };
    for (const EofCase& c : cases) {
        ScratchDirectory::write("e.dat", c.content);
        lines({std::string("DIM f : ") + c.fileType, std::string("DIM t : ") + c.targetType,
               "FILEOPEN f, \"e.dat\", \"R\"", "e = EOF(f)"});
        EXPECT_EQ(number("e"), 0) << c.fileType << " " << c.targetType;
        for (const auto& [expectedStatus, expectedEof] : c.reads) {
            lines({"FILEREAD f, t", "s = SYSTEM_INT0", "e = EOF(f)"});
            EXPECT_EQ(number("s"), expectedStatus) << c.fileType << " " << c.targetType;
            EXPECT_EQ(number("e"), expectedEof) << c.fileType << " " << c.targetType;
        }
        lines({"FILECLOSE f", "DELETE f", "DELETE t"});
    }
}

TEST_F(Files, AfterATargetThatGetsNothingTheRestAreLeftAsTheyAre) {
    ScratchDirectory::write("two.txt", "1 2");
    lines({"DIM f : FILE", "DIM a, b, c, d : INT", "d = 77", "FILEOPEN f, \"two.txt\", \"R\"", "FILEREAD f, a, b, c, d"});
    EXPECT_EQ(intResult(), 999);
    EXPECT_EQ(value<std::int32_t>("b"), 2);
    EXPECT_EQ(value<std::int32_t>("d"), 77);
}

// ---- Binary files and records ------------------------------------------------------------------

TEST_F(Files, ArrayRecordsLieAtTheirOffsets) {
    lines({"DIM a[10] : INT", "DIM b[10] : INT", "DIM f : BFILE"});
    for (int i = 0; i < 10; ++i) ASSERT_EQ(runLine("a[" + std::to_string(i) + "] = " + std::to_string(i + 1)), 0);
    lines({"FILEOPEN f, \"r.bin\", \"W\"", "RECORDWRITE f, 3, a", "p = FILEPOSITION(f)", "RECORDREAD f, 3, b"});
    EXPECT_EQ(intResult(), 0);
    EXPECT_EQ(number("p"), 120);
    lines({"FILECLOSE f"});
    std::string expected(80, '\0');
    for (int i = 0; i < 10; ++i) expected += le32(static_cast<std::uint32_t>(i + 1));
    EXPECT_EQ(ScratchDirectory::read("r.bin"), expected);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(value<std::int32_t>("b[" + std::to_string(i) + "]"), i + 1);
}

TEST_F(Files, UserTypeRecordsAreTheirMembersBackToBack) {
    ASSERT_EQ(runProgram("TYPE rec\nDIM n : INT\nDIM s : STRING\nENDTYPE\nTYPE point\nDIM x : INT\nDIM y : INT\nENDTYPE\n"
                         "TYPE shape\nDIM corners[2] : point\nDIM tag : CHAR\nENDTYPE\n"
                         "DIM r : rec\nDIM q : rec\nDIM many[3] : rec\nDIM sh : shape\nDIM f : BFILE\n"
                         "r.n = 7\nr.s = \"seven\"\nmany[2].n = 9\nmany[2].s = \"nine\"\n"
                         "sh.corners[0].x = 1\nsh.corners[0].y = 2\nsh.corners[1].x = 3\nsh.corners[1].y = 4\nsh.tag = 90\n"
                         "FILEOPEN f, \"u.bin\", \"W\"\nRECORDWRITE f, 2, r\np = FILEPOSITION(f)\n"
                         "RECORDWRITE f, 1, many[2]\nRECORDREAD f, 2, q\nFILECLOSE f\n"
                         "FILEOPEN f, \"s.bin\", \"W\"\nRECORDWRITE f, 2, sh\nFILECLOSE f\n"),
              0);
    // INT and STRING: 4 + 255 = 259 bytes a record; record 2 starts at byte 259.
    EXPECT_EQ(number("p"), 518);
    EXPECT_EQ(ScratchDirectory::read("u.bin"), le32(9) + stringBuffer("nine") + le32(7) + stringBuffer("seven"));
    EXPECT_EQ(value<std::int32_t>("q.n"), 7);
    EXPECT_EQ(text("q.s"), "seven");
    // A nested member contributes every element: 2 × (4 + 4) + 1 = 17 bytes a record.
    EXPECT_EQ(ScratchDirectory::read("s.bin"), std::string(17, '\0') + le32(1) + le32(2) + le32(3) + le32(4) + "Z");
}

TEST_F(Files, SequentialBinaryTransfersUseTheWholeStorage) {
    lines({"DIM f : BFILE", "DIM i : INT", "DIM s : STRING", "DIM d : DOUBLE", "DIM j : INT", "DIM t : STRING",
           "DIM e : DOUBLE", "i = 5", "s = \"abc\"", "d = 0.5", "FILEOPEN f, \"seq.bin\", \"W\"", "FILEWRITE f, i, s, d",
           "p = FILEPOSITION(f)", "FILEPOSITION f, 0", "FILEREAD f, j, t, e"});
    EXPECT_EQ(number("p"), 4 + 255 + 8);
    EXPECT_EQ(intResult(), 0);
    EXPECT_EQ(value<std::int32_t>("j"), 5);
    EXPECT_EQ(text("t"), "abc");
    EXPECT_EQ(number("e"), 0.5);
    // Positioned on byte 4, an INT reads the first four bytes of the string.
    lines({"FILEPOSITION f, 4", "FILEREAD f, j"});
    EXPECT_EQ(value<std::uint32_t>("j"), 'a' | ('b' << 8) | ('c' << 16));
}

TEST_F(Files, ReadingARecordBeyondTheEndReportsNothingRead) {
    ASSERT_EQ(runProgram("TYPE rec\nDIM n : INT\nDIM s : STRING\nENDTYPE\nDIM r : rec\nDIM a[2] : INT\nDIM f : BFILE\nr.n = 3\nFILEOPEN f, \"two.bin\", \"W\"\n"
                         "RECORDWRITE f, 2, r\nr.n = 8\nRECORDREAD f, 3, r\nu = SYSTEM_INT0\nRECORDREAD f, 200, a\n"),
              0);
    EXPECT_EQ(number("u"), 999);
    EXPECT_EQ(value<std::int32_t>("r.n"), 8);
    EXPECT_EQ(intResult(), 999);
}

TEST_F(Files, MemoryBlocksMoveTheirRecordedSize) {
    lines({"DIM m : MEMORY", "DIM f : BFILE", "FILEOPEN f, \"m.bin\", \"W\""});
    char block[8] = "abcdefg";
    Variable* m = find("m");
    char* address = block;
    std::memcpy(m->data, &address, sizeof address);
    m->aux = 6;
    lines({"FILEWRITE f, m"});
    m->aux = 0;  // a block whose size is not known moves nothing
    lines({"FILEWRITE f, m", "FILEPOSITION f, 2"});
    m->aux = 3;
    lines({"FILEREAD f, m", "FILECLOSE f"});
    EXPECT_EQ(ScratchDirectory::read("m.bin"), "abcdef");
    EXPECT_EQ(std::string(block), "cdedefg");
    std::memset(m->data, 0, sizeof address);
}

struct ErrorCase {
    const char* statement;
    int error;
};

TEST_F(Files, MisuseStopsWithItsCode) {
    ScratchDirectory::write("e.txt", "1\n");
    lines({"DIM f : FILE", "DIM b : BFILE", "DIM closed : BFILE", "DIM w : WINDOW", "DIM a[3] : INT",
           "FILEOPEN f, \"e.txt\", \"R\"", "FILEOPEN b, \"e.txt\", \"R\""});
    const ErrorCase cases[] = {
        {"FILEREAD f", 1},
        {"FILEWRITE", 1},
        {"FILECLOSE", 1},
        {"FILECLOSE f, b", 1},
        {"FILECLOSE a", 14},
        {"FILEREAD a, a", 14},
        {"FILEREAD f, nowhere", 10},
        {"FILEREAD f, w", 14},  // a window has no text form
        {"FILEREAD closed, a", 52},
        {"FILEWRITE closed, a", 52},
        {"RECORDREAD b, 0, a", 46},
        {"RECORDWRITE b, -1, a", 46},
        {"RECORDREAD f, 1, a", 14},
        {"RECORDREAD closed, 1, a", 52},
        {"RECORDREAD b, 1", 1},
        {"p = FILEPOSITION(f)", 14},
        {"p = FILEPOSITION(closed)", 52},
        {"FILEPOSITION b, 1, 2", 1},
        {"e = EOF()", 56},
        {"e = EOF(a)", 14},
        {"e = EOF(closed)", 52},
    };
    for (const ErrorCase& c : cases) EXPECT_EQ(runLine(c.statement), c.error) << c.statement;
}

// ---- Lifetime of streams -----------------------------------------------------------------------

TEST_F(Files, AStreamClosedThroughOneVariableIsNotUsedThroughAnother) {
    lines({"DIM f : FILE", "DIM g : FILE", "FILEOPEN f, \"shared.txt\", \"W\"", "g = f", "FILEWRITE g, \"one\"",
           "FILECLOSE f"});
    EXPECT_EQ(runLine("FILEWRITE g, \"two\""), 52);
    EXPECT_EQ(runLine("FILECLOSE g"), 0);
    EXPECT_EQ(ScratchDirectory::read("shared.txt"), asText("one\n"));
    EXPECT_TRUE(k.openStreams.empty());
}

TEST_F(Files, AReplacedStreamStaysOpenUntilTheRunIsReleased) {
    lines({"DIM f : FILE", "FILEOPEN f, \"first.txt\", \"W\"", "FILEWRITE f, \"kept\"", "FILEOPEN f, \"second.txt\", \"W\""});
    k.releaseProgram();
    EXPECT_EQ(ScratchDirectory::read("first.txt"), asText("kept\n"));
    EXPECT_TRUE(k.openStreams.empty());
}

TEST_F(Files, ASubroutinesFileIsClosedWhenItReturns) {
    ASSERT_EQ(runProgram("DIM s : STRING\nDIM f : FILE\nGOSUB save\n"
                         "FILEOPEN f, \"local.txt\", \"R\"\nFILEREAD f, s\n"
                         "END\nSUB save\nDIM lf : FILE\nFILEOPEN lf, \"local.txt\", \"W\"\nFILEWRITE lf, \"saved\"\nRETURN\n"),
              0);
    EXPECT_EQ(text("s"), "saved");
}

// A host that looks at a file at the moment the error box appears.
class BoxWatchingHost : public RecordingHost {
public:
    void showErrorBox(const char* text, const char* caption) override {
        fileAtBox = ScratchDirectory::read("log.txt");
        RecordingHost::showErrorBox(text, caption);
    }
    std::string fileAtBox;
};

TEST(FileLifetime, EveryLineIsOnDiskWhenTheErrorBoxAppears) {
    ScratchDirectory dir;
    BoxWatchingHost host;
    const RunResult r = runSource("DIM f : FILE\nFILEOPEN f, \"log.txt\", \"W\"\nFOR i, 1, 500\nFILEWRITE f, \"line \", i\n"
                                  "NEXT i\nx = 1 / 0\n",
                                  host);
    EXPECT_EQ(r.errorCode, 8);
    std::string expected;
    for (int i = 1; i <= 500; ++i) expected += "line " + std::to_string(i) + " \n";
    EXPECT_EQ(host.fileAtBox, asText(expected));
}

TEST_F(Files, TheEndStatementLeavesEveryLineOnDisk) {
    ASSERT_EQ(runProgram("DIM f : BFILE\nDIM g : FILE\nn = 1234\nFILEOPEN f, \"end.bin\", \"W\"\n"
                         "FILEOPEN g, \"end.txt\", \"W\"\nFILEWRITE g, \"bye\"\nEND\nFILECLOSE g\n"),
              0);
    // The run is over, the interpreter not yet released.
    EXPECT_EQ(ScratchDirectory::read("end.txt"), asText("bye\n"));
    EXPECT_EQ(k.openStreams.empty(), false);
}

}  // namespace
}  // namespace kestrun::test
