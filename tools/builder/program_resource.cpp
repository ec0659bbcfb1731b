#include "program_resource.h"

#include <algorithm>

namespace kestrun {

bool setProgramResource(ResourceDirectory& root, const std::vector<std::uint8_t>& bytes, std::string& error) {
    auto typeEntry = std::find_if(root.entries.begin(), root.entries.end(), [](const ResourceEntry& entry) {
        return !entry.hasName && entry.id == kRawDataResourceType;
    });
    if (typeEntry == root.entries.end()) {
        ResourceEntry created;
        created.id = kRawDataResourceType;
        created.isDirectory = true;
        root.entries.push_back(std::move(created));
        typeEntry = root.entries.end() - 1;
    }
    if (!typeEntry->isDirectory) {
        error = "damaged executable: raw data resources are not a directory";
        return false;
    }

    std::vector<ResourceEntry>& names = typeEntry->directory.entries;
    const std::u16string wanted = kProgramResourceName;
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const ResourceEntry& entry) {
                                   return entry.hasName && upperCaseResourceName(entry.name) == wanted;
                               }),
                names.end());

    ResourceEntry leaf;
    leaf.id = kNeutralLanguage;
    leaf.data = bytes;
    ResourceEntry program;
    program.hasName = true;
    program.name = wanted;
    program.isDirectory = true;
    program.directory.entries.push_back(std::move(leaf));
    names.push_back(std::move(program));

    sortResourceTree(root);
    return true;
}

}  // namespace kestrun
