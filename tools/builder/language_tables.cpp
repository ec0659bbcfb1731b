#include "language_tables.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace kestrun {
namespace {

struct NamedValue {
    std::string upperName;
    int value;
};

std::string toUpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// Sorted by name so that look-ups can use binary search.
std::vector<NamedValue> sortedTable(std::vector<NamedValue> rows) {
    std::sort(rows.begin(), rows.end(),
              [](const NamedValue& a, const NamedValue& b) { return a.upperName < b.upperName; });
    return rows;
}

const std::vector<NamedValue>& keywordTable() {
    static const std::vector<NamedValue> table = sortedTable({
#define KESTRUN_KEYWORD(code, word, handler) {toUpperAscii(word), code},
#include "keyword_table.inc"
#undef KESTRUN_KEYWORD
    });
    return table;
}

const std::vector<NamedValue>& constantTable() {
    static const std::vector<NamedValue> table = sortedTable({
#define KESTRUN_CONSTANT_NAME(index, name) {toUpperAscii(name), index},
#include "constant_names.inc"
#undef KESTRUN_CONSTANT_NAME
    });
    return table;
}

int lookUp(const std::vector<NamedValue>& table, std::string_view name) {
    if (name.empty()) return -1;
    const std::string upper = toUpperAscii(name);
    auto it = std::lower_bound(table.begin(), table.end(), upper,
                               [](const NamedValue& row, const std::string& key) { return row.upperName < key; });
    return (it != table.end() && it->upperName == upper) ? it->value : -1;
}

}  // namespace

int findKeywordCode(std::string_view word) { return lookUp(keywordTable(), word); }

int findConstantIndex(std::string_view name) { return lookUp(constantTable(), name); }

void appendToken(std::string& out, std::uint8_t lead, int value) {
    out += static_cast<char>(lead);
    out += static_cast<char>(0xE0 + value / 16);
    out += static_cast<char>(0xE0 + value % 16);
}

}  // namespace kestrun
