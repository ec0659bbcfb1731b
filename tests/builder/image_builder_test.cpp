// Source text to line image: every rule and example of the source form, as source -> exact bytes.
#include "image_builder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Token bytes written out independently of the builder's tables.
std::string token(unsigned lead, unsigned value) {
    return {static_cast<char>(lead), static_cast<char>(0xE0 + value / 16), static_cast<char>(0xE0 + value % 16)};
}
std::string K(unsigned code) { return token(0xFF, code); }
std::string C(unsigned index) { return token(0xFE, index); }

// Codes and indexes from the language tables.
enum Code : unsigned {
    PRINT = 0, FOR = 2, NEXT = 3, IF = 6, ENDIF = 7, OPENWINDOW = 8, CLOSEWINDOW = 18, LET = 20, DIM = 21,
    END = 22, SELECT = 41, CASE = 42, ENDSELECT = 43, RETURN = 45, DEFAULT = 52, ELSE = 55, SUB = 56,
    LEN = 65, DECLARE = 83, SIN = 95, LOG = 111, LOG10 = 112, WAITFOR = 187, THEN = 218
};
enum Constant : unsigned { EVT_CODE = 0, MSG_CLOSE = 31, EVT_WINDOW = 72, MSG_ERASE = 490 };

struct ImageCase {
    const char* what;
    std::string source;
    std::string expected;  // without the final zero byte
};

std::string buildOrFail(const std::string& source) {
    std::string image, error;
    EXPECT_TRUE(kestrun::buildImage(source, "prog.kb", image, error)) << error;
    return image;
}

void expectImages(const std::vector<ImageCase>& cases) {
    for (const ImageCase& c : cases) {
        EXPECT_EQ(buildOrFail(c.source), c.expected + std::string(1, '\0')) << c.what;
    }
}

TEST(ImageBuilder, ExamplesOfTheSourceForm) {
    expectImages({
        {"counting loop",
         "' sums the numbers from 1 to 10\n"
         "DIM total : INT\n"
         "total = 0\n"
         "FOR i, 1, 10\n"
         "  total = total + i\n"
         "NEXT i\n"
         "PRINT \"sum: \", total\n",
         "' sums the numbers from 1 to 10\r\n" + K(DIM) + " total : INT\r\n" + "total = 0\r\n" + K(FOR) +
             " i, 1, 10\r\n" + "  total = total + i\r\n" + K(NEXT) + " i\r\n" + K(PRINT) + " \"sum: \", total\r\n"},
        {"subroutine",
         "DECLARE square(n:INT)\nPRINT square(7)\nEND\nSUB square\n  RETURN n * n\n",
         K(DECLARE) + " square(n:INT)\r\n" + K(PRINT) + " square(7)\r\n" + K(END) + "\r\n" + K(SUB) + " square\r\n" +
             "  " + K(RETURN) + " n * n\r\n"},
        {"conditional and selection",
         "IF a > 1 THEN PRINT \"big\" ELSE PRINT \"small\"\n"
         "SELECT x\nCASE 1\n  PRINT \"one\"\nCASE 2\nCASE 3\n  PRINT \"two or three\"\nDEFAULT\n"
         "  PRINT \"other\"\nENDSELECT\n",
         K(IF) + " a > 1 " + K(THEN) + " " + K(PRINT) + " \"big\" " + K(ELSE) + " " + K(PRINT) + " \"small\"\r\n" +
             K(SELECT) + " x\r\n" + K(CASE) + " 1\r\n" + "  " + K(PRINT) + " \"one\"\r\n" + K(CASE) + " 2\r\n" +
             K(CASE) + " 3\r\n" + "  " + K(PRINT) + " \"two or three\"\r\n" + K(DEFAULT) + "\r\n" + "  " + K(PRINT) +
             " \"other\"\r\n" + K(ENDSELECT) + "\r\n"},
        {"window program",
         "DIM w : WINDOW\nDIM running : INT\nrunning = 1\n"
         "OPENWINDOW w, 0, 0, 320, 200, 0, 0, \"Demo\", onEvent\n"
         "WAITFOR running = 0\nEND\nSUB onEvent\n  IF @EVT_CODE = @MSG_CLOSE\n    CLOSEWINDOW @EVT_WINDOW\n"
         "    running = 0\n  ENDIF\n  RETURN\n",
         K(DIM) + " w : WINDOW\r\n" + K(DIM) + " running : INT\r\n" + "running = 1\r\n" + K(OPENWINDOW) +
             " w, 0, 0, 320, 200, 0, 0, \"Demo\", onEvent\r\n" + K(WAITFOR) + " running = 0\r\n" + K(END) + "\r\n" +
             K(SUB) + " onEvent\r\n" + "  " + K(IF) + " " + C(EVT_CODE) + " = " + C(MSG_CLOSE) + "\r\n" + "    " +
             K(CLOSEWINDOW) + " " + C(EVT_WINDOW) + "\r\n" + "    running = 0\r\n" + "  " + K(ENDIF) + "\r\n" + "  " +
             K(RETURN) + "\r\n"},
    });
}

TEST(ImageBuilder, LinesAndSegments) {
    expectImages({
        {"empty source", "", ""},
        {"LF lines", "a\nb\n", "a\r\nb\r\n"},
        {"CR LF lines", "a\r\nb\r\n", "a\r\nb\r\n"},
        {"last line without ending", "a\nb", "a\r\nb\r\n"},
        {"empty lines stay lines", "\n\na\n", "\r\n\r\na\r\n"},
        {"CR ending the text", "a\r", "a\r\n"},
        {"CR inside a line is text", "a\rb\n", "a\rb\r\n"},
        {"byte order mark dropped", "\xEF\xBB\xBFPRINT 1\n", K(PRINT) + " 1\r\n"},
        {"statements split, blanks beside :: dropped", "  a = 1 :: b = 2\n", "  a = 1\nb = 2\r\n"},
        {"tabs beside :: dropped", "a\t::\tb \t:: c", "a\nb\nc\r\n"},
        {"no blanks around ::", "a::b", "a\nb\r\n"},
        {"each statement translated", "PRINT 1 :: PRINT 2", K(PRINT) + " 1\n" + K(PRINT) + " 2\r\n"},
        {":: inside a string literal", "PRINT \"a :: b\" :: c", K(PRINT) + " \"a :: b\"\nc\r\n"},
        {"single colon is text", "DIM t : INT", K(DIM) + " t : INT"+ "\r\n"},
        {"three colons", "a:::b", "a\n:b\r\n"},
        {"trailing :: leaves an empty statement", "a ::", "a\n\r\n"},
        {"comment copied as it stands", "  ' PRINT \"x :: LET a = 1", "  ' PRINT \"x :: LET a = 1\r\n"},
        {"semicolon comment", "; IF a THEN", "; IF a THEN\r\n"},
        {"comment after :: runs to the line end", "a = 1 :: ' PRINT \"x :: b", "a = 1\n' PRINT \"x :: b\r\n"},
        {"text without keywords copied byte for byte", "\xFF\xE0\xE0 x\n\xFE\xE4\xE8 = 1\n",
         "\xFF\xE0\xE0 x\r\n\xFE\xE4\xE8 = 1\r\n"},
    });
}

TEST(ImageBuilder, Keywords) {
    expectImages({
        {"statement", "PRINT x", K(PRINT) + " x\r\n"},
        {"function", "y = SIN(x)", "y = " + K(SIN) + "(x)\r\n"},
        {"any letter case", "print x :: Print y", K(PRINT) + " x\n" + K(PRINT) + " y\r\n"},
        {"touching letters, digits, _ and $",
         "xPRINT PRINTx PRINT1 1PRINT PRINT_ _PRINT PRINT$ $PRINT",
         "xPRINT PRINTx PRINT1 1PRINT PRINT_ _PRINT PRINT$ $PRINT\r\n"},
        {"touching other characters", "(SIN)+SIN[1]", "(" + K(SIN) + ")+" + K(SIN) + "[1]\r\n"},
        {"inside a string literal", "x = \"PRINT\" + LEN(\"SIN\")", "x = \"PRINT\" + " + K(LEN) + "(\"SIN\")\r\n"},
        {"after a dot is a member name", "a.print = b.Sin", "a.print = b.Sin\r\n"},
        {"after @ is a named number", "x = @print", "x = @print\r\n"},
        {"digits belong to the word", "x = LOG10(2) + LOG(2)", "x = " + K(LOG10) + "(2) + " + K(LOG) + "(2)\r\n"},
        {"longer keyword wins", "ENDSELECT :: END", K(ENDSELECT) + "\n" + K(END) + "\r\n"},
        {"indentation kept", "\t  PRINT", "\t  " + K(PRINT) + "\r\n"},
    });
}

TEST(ImageBuilder, Constants) {
    expectImages({
        {"built-in constant", "x = @EVT_CODE", "x = " + C(EVT_CODE) + "\r\n"},
        {"any letter case", "x = @evt_Window", "x = " + C(EVT_WINDOW) + "\r\n"},
        {"highest table entry", "x = @MSG_ERASE", "x = " + C(MSG_ERASE) + "\r\n"},
        {"longer name is the program's own", "x = @EVT_CODEX + @MY_VALUE", "x = @EVT_CODEX + @MY_VALUE\r\n"},
        {"inside a string literal", "PRINT \"@EVT_CODE\"", K(PRINT) + " \"@EVT_CODE\"\r\n"},
        {"table index", "x = @@0 + @@72 + @@497", "x = " + C(0) + " + " + C(72) + " + " + C(497) + "\r\n"},
        {"table index with leading zeros", "x = @@007", "x = " + C(7) + "\r\n"},
        {"table index followed by an operator", "x = @@3+1", "x = " + C(3) + "+1\r\n"},
    });
}

TEST(ImageBuilder, LetDecidesByFirstEqualsOrComma) {
    expectImages({
        {"plain assignment", "LET a = 1", "a = 1\r\n"},
        {"indentation kept, blanks after LET dropped", "  let \t a = 1", "  a = 1\r\n"},
        {"comma inside brackets", "LET a[1, 2] = 3", "a[1, 2] = 3\r\n"},
        {"comma inside parentheses", "LET a(1, 2) = 3", "a(1, 2) = 3\r\n"},
        {"comma after the equals sign", "LET s$ = \"x, y\"", "s$ = \"x, y\"\r\n"},
        {"array fill", "LET a, 1, 2, 3", K(LET) + " a, 1, 2, 3\r\n"},
        {"equals sign inside a string", "LET b, \"x = 1\"", K(LET) + " b, \"x = 1\"\r\n"},
        {"equals sign inside brackets", "LET a[i = 1], 2", K(LET) + " a[i = 1], 2\r\n"},
        {"neither: kept as the token", "LET a", K(LET) + " a\r\n"},
        {"inside a one-line conditional", "IF c THEN LET a = 1",
         K(IF) + " c " + K(THEN) + " a = 1\r\n"},
        {"member named let is no keyword", "x.let = 1", "x.let = 1\r\n"},
    });
}

TEST(ImageBuilder, TrailingThenMakesBlockConditional) {
    expectImages({
        {"block form", "IF a > 1", K(IF) + " a > 1\r\n"},
        {"trailing THEN dropped", "IF a > 1 THEN", K(IF) + " a > 1\r\n"},
        {"blanks after THEN", "  if a then \t", "  " + K(IF) + " a\r\n"},
        {"one-line form keeps THEN", "IF a THEN b = 1", K(IF) + " a " + K(THEN) + " b = 1\r\n"},
        {"THEN inside a string is no keyword", "IF a = \"THEN\"", K(IF) + " a = \"THEN\"\r\n"},
        {"not a conditional", "x THEN", "x " + K(THEN) + "\r\n"},
        {"two THENs are not the block form", "IF a THEN IF b THEN",
         K(IF) + " a " + K(THEN) + " " + K(IF) + " b " + K(THEN) + "\r\n"},
        {"statement after ::", "x = 1 :: IF x THEN", "x = 1\n" + K(IF) + " x\r\n"},
    });
}

struct ErrorCase {
    const char* what;
    std::string source;
    std::string expectedPrefix;  // "FILE:LINE: " and the start of the message
};

TEST(ImageBuilder, ErrorsNameFileAndLine) {
    const std::vector<ErrorCase> cases = {
        {"unterminated string", "PRINT \"abc", "prog.kb:1: unterminated string literal"},
        {"on a later line", "a = 1\r\n\r\nPRINT \"abc\" + \"", "prog.kb:3: unterminated string literal"},
        {"in a later statement", "a = 1 :: b = \"x", "prog.kb:1: unterminated string literal"},
        {"table index out of range", "x = @@498", "prog.kb:1: table index 498"},
        {"huge table index", "x\nx = @@99999999999999999999999", "prog.kb:2: table index 99999999999999999999999"},
        {"@@ without digits", "x = @@", "prog.kb:1: '@@' must be followed"},
        {"@@ before a name", "x = @@EVT_CODE", "prog.kb:1: '@@' must be followed"},
        {"@@ index running into a name", "x = @@12a", "prog.kb:1: '@@' must be followed"},
        {"zero byte", std::string("a\nb\0c\n", 6), "prog.kb:2: zero byte"},
    };
    for (const ErrorCase& c : cases) {
        std::string image = "stale", error;
        EXPECT_FALSE(kestrun::buildImage(c.source, "prog.kb", image, error)) << c.what;
        EXPECT_EQ(error.substr(0, c.expectedPrefix.size()), c.expectedPrefix) << c.what << ": " << error;
        EXPECT_TRUE(image.empty()) << c.what;
    }
}

TEST(ImageBuilder, ErrorsOnlyOutsideStringsAndComments) {
    expectImages({
        {"@@ inside a string", "PRINT \"@@999\"", K(PRINT) + " \"@@999\"\r\n"},
        {"@@ inside a comment", "' @@999 \"", "' @@999 \"\r\n"},
    });
}

}  // namespace
