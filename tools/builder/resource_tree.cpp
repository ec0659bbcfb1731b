#include "resource_tree.h"

#include <algorithm>

namespace kestrun {

std::u16string upperCaseResourceName(const std::u16string& name) {
    std::u16string upper = name;
    for (char16_t& c : upper) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return upper;
}

void sortResourceTree(ResourceDirectory& directory) {
    std::stable_sort(directory.entries.begin(), directory.entries.end(),
                     [](const ResourceEntry& a, const ResourceEntry& b) {
                         if (a.hasName != b.hasName) return a.hasName;
                         if (a.hasName) return upperCaseResourceName(a.name) < upperCaseResourceName(b.name);
                         return a.id < b.id;
                     });
    for (ResourceEntry& entry : directory.entries) {
        if (entry.isDirectory) sortResourceTree(entry.directory);
    }
}

}  // namespace kestrun
