#include "statement_translator.h"

#include "language_tables.h"
#include "statement_splitter.h"

#include <cctype>

namespace kestrun {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLetterOrDigit(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
// Characters that join with a keyword into one longer word.
bool isWordChar(char c) { return isLetterOrDigit(c) || c == '_' || c == '$'; }
// Characters of a name after '@'.
bool isNameChar(char c) { return isLetterOrDigit(c) || c == '_'; }

std::size_t endOfRun(std::string_view text, std::size_t from, bool (*belongs)(char)) {
    while (from < text.size() && belongs(text[from])) ++from;
    return from;
}

// Decides what LET starting the text after it means: true when the first '=' or ',' outside
// brackets, parentheses and string literals is '=' (a plain assignment follows).
bool letIntroducesPlainAssignment(std::string_view rest) {
    int depth = 0;
    bool inString = false;
    for (char c : rest) {
        if (c == '"') {
            inString = !inString;
        } else if (inString) {
            continue;
        } else if (c == '(' || c == '[') {
            ++depth;
        } else if (c == ')' || c == ']') {
            if (depth > 0) --depth;
        } else if (depth == 0 && (c == '=' || c == ',')) {
            return c == '=';
        }
    }
    return false;
}

// Translates "@@digits" at text[at]; on success appends the token and sets next past the digits.
bool translateTableIndex(std::string_view text, std::size_t at, std::string& out, std::size_t& next,
                         std::string& error) {
    const std::size_t digitsStart = at + 2;
    const std::size_t digitsEnd = endOfRun(text, digitsStart, [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
    if (digitsEnd == digitsStart || (digitsEnd < text.size() && isWordChar(text[digitsEnd]))) {
        error = "'@@' must be followed by a decimal table index (0 to " + std::to_string(kHighestConstantIndex) + ")";
        return false;
    }
    long value = 0;
    for (std::size_t i = digitsStart; i < digitsEnd; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kHighestConstantIndex) break;  // stops growth before it can overflow
    }
    if (value > kHighestConstantIndex) {
        error = "table index " + std::string(text.substr(digitsStart, digitsEnd - digitsStart)) +
                " after '@@' is out of range (0 to " + std::to_string(kHighestConstantIndex) + ")";
        return false;
    }
    appendToken(out, kConstantTokenLead, static_cast<int>(value));
    next = digitsEnd;
    return true;
}

bool onlyBlanks(std::string_view text) {
    for (char c : text) {
        if (!isBlank(c)) return false;
    }
    return true;
}

}  // namespace

bool translateStatement(std::string_view statement, std::string& out, std::string& error) {
    if (isCommentStatement(statement)) {
        out.append(statement);
        return true;
    }
    const std::size_t outStart = out.size();
    bool startsWithIf = false;
    bool seenContent = false;  // anything but leading blanks written yet
    int thenCount = 0;
    std::size_t lastThenAt = 0;  // offset in out of the last THEN token

    std::size_t i = 0;
    while (i < statement.size()) {
        const char c = statement[i];
        if (c == '"') {
            const std::size_t close = statement.find('"', i + 1);
            if (close == std::string_view::npos) {
                error = "unterminated string literal";
                return false;
            }
            out.append(statement.substr(i, close + 1 - i));
            i = close + 1;
        } else if (c == '@' && i + 1 < statement.size() && statement[i + 1] == '@') {
            if (!translateTableIndex(statement, i, out, i, error)) return false;
        } else if (c == '@') {
            const std::size_t nameEnd = endOfRun(statement, i + 1, isNameChar);
            const int index = findConstantIndex(statement.substr(i + 1, nameEnd - i - 1));
            if (index >= 0) {
                appendToken(out, kConstantTokenLead, index);
            } else {
                out.append(statement.substr(i, nameEnd - i));
            }
            i = nameEnd;
        } else if (isWordChar(c)) {
            const std::size_t wordEnd = endOfRun(statement, i, isWordChar);
            const bool isMember = i > 0 && statement[i - 1] == '.';
            const int code = isMember ? -1 : findKeywordCode(statement.substr(i, wordEnd - i));
            if (code == kLetCode && letIntroducesPlainAssignment(statement.substr(wordEnd))) {
                i = wordEnd;
                while (i < statement.size() && isBlank(statement[i])) ++i;
                continue;  // LET itself leaves no trace
            }
            if (code >= 0) {
                if (code == kIfCode && !seenContent) startsWithIf = true;
                if (code == kThenCode) {
                    ++thenCount;
                    lastThenAt = out.size();
                }
                appendToken(out, kKeywordTokenLead, code);
            } else {
                out.append(statement.substr(i, wordEnd - i));
            }
            i = wordEnd;
        } else {
            out += c;
            ++i;
        }
        if (!isBlank(c)) seenContent = true;
    }

    // "IF condition THEN" with nothing after THEN is the block form: the same as "IF condition".
    if (startsWithIf && thenCount == 1 && onlyBlanks(std::string_view(out).substr(lastThenAt + 3))) {
        std::size_t end = lastThenAt;
        while (end > outStart && isBlank(out[end - 1])) --end;
        out.resize(end);
    }
    return true;
}

}  // namespace kestrun
