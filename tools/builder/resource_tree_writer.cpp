#include "resource_tree_writer.h"

#include "byte_access.h"

#include <algorithm>

namespace kestrun {
namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::uint64_t kMaxOffset = 0x7FFFFFFFu;

std::uint64_t alignTo8(std::uint64_t value) { return (value + 7) & ~static_cast<std::uint64_t>(7); }

struct TreeLayout {
    std::vector<const ResourceDirectory*> directories;  // breadth first, root first
    std::vector<std::uint64_t> directoryOffsets;
    std::vector<std::uint64_t> nameOffsets;   // in the order names are met walking the directories
    std::vector<std::uint64_t> recordOffsets; // data entry records, in the order leaves are met
    std::vector<std::uint64_t> dataOffsets;
    std::uint64_t totalSize = 0;
};

// Assigns every part of the tree its offset from the start of the section.
TreeLayout planLayout(const ResourceDirectory& root) {
    TreeLayout plan;
    plan.directories.push_back(&root);
    std::uint64_t offset = 0;
    std::vector<const ResourceEntry*> leaves;
    std::vector<const ResourceEntry*> named;
    for (std::size_t i = 0; i < plan.directories.size(); ++i) {
        const ResourceDirectory& directory = *plan.directories[i];
        plan.directoryOffsets.push_back(offset);
        offset += 16 + 8 * static_cast<std::uint64_t>(directory.entries.size());
        for (const ResourceEntry& entry : directory.entries) {
            if (entry.hasName) named.push_back(&entry);
            if (entry.isDirectory) {
                plan.directories.push_back(&entry.directory);
            } else {
                leaves.push_back(&entry);
            }
        }
    }
    for (std::size_t k = 0; k < leaves.size(); ++k) {
        plan.recordOffsets.push_back(offset);
        offset += 16;
    }
    for (const ResourceEntry* entry : named) {
        plan.nameOffsets.push_back(offset);
        offset += 2 + 2 * static_cast<std::uint64_t>(entry->name.size());
    }
    for (const ResourceEntry* leaf : leaves) {
        offset = alignTo8(offset);
        plan.dataOffsets.push_back(offset);
        offset += leaf->data.size();
    }
    plan.totalSize = offset;
    return plan;
}

}  // namespace

bool writeResourceTree(const ResourceDirectory& root, std::uint32_t sectionRva, std::vector<std::uint8_t>& out,
                       std::string& error) {
    const TreeLayout plan = planLayout(root);
    if (plan.totalSize > kMaxOffset || sectionRva + plan.totalSize > 0xFFFFFFFFu) {
        error = "resources too large";
        return false;
    }
    out.assign(static_cast<std::size_t>(plan.totalSize), 0);

    std::size_t nextDirectory = 1, nextName = 0, nextLeaf = 0;
    for (std::size_t i = 0; i < plan.directories.size(); ++i) {
        const ResourceDirectory& directory = *plan.directories[i];
        const std::size_t at = static_cast<std::size_t>(plan.directoryOffsets[i]);
        std::size_t namedCount = 0;
        for (const ResourceEntry& entry : directory.entries) {
            if (!entry.hasName) continue;
            ++namedCount;
            if (entry.name.size() > 0xFFFF) {
                error = "resource name too long";
                return false;
            }
        }
        if (namedCount > 0xFFFF || directory.entries.size() - namedCount > 0xFFFF) {
            error = "too many resources in one directory";
            return false;
        }
        writeU32(out, at, directory.characteristics);
        writeU32(out, at + 4, directory.timeDateStamp);
        writeU16(out, at + 8, directory.majorVersion);
        writeU16(out, at + 10, directory.minorVersion);
        writeU16(out, at + 12, static_cast<std::uint16_t>(namedCount));
        writeU16(out, at + 14, static_cast<std::uint16_t>(directory.entries.size() - namedCount));

        std::size_t entryAt = at + 16;
        for (const ResourceEntry& entry : directory.entries) {
            if (entry.hasName) {
                const std::size_t nameAt = static_cast<std::size_t>(plan.nameOffsets[nextName++]);
                writeU32(out, entryAt, kHighBit | static_cast<std::uint32_t>(nameAt));
                writeU16(out, nameAt, static_cast<std::uint16_t>(entry.name.size()));
                for (std::size_t k = 0; k < entry.name.size(); ++k) {
                    writeU16(out, nameAt + 2 + 2 * k, static_cast<std::uint16_t>(entry.name[k]));
                }
            } else {
                writeU32(out, entryAt, entry.id);
            }
            if (entry.isDirectory) {
                writeU32(out, entryAt + 4, kHighBit | static_cast<std::uint32_t>(plan.directoryOffsets[nextDirectory++]));
            } else {
                const std::size_t recordAt = static_cast<std::size_t>(plan.recordOffsets[nextLeaf]);
                const std::size_t dataAt = static_cast<std::size_t>(plan.dataOffsets[nextLeaf]);
                ++nextLeaf;
                writeU32(out, entryAt + 4, static_cast<std::uint32_t>(recordAt));
                writeU32(out, recordAt, sectionRva + static_cast<std::uint32_t>(dataAt));
                writeU32(out, recordAt + 4, static_cast<std::uint32_t>(entry.data.size()));
                writeU32(out, recordAt + 8, entry.codePage);
                std::copy(entry.data.begin(), entry.data.end(), out.begin() + dataAt);
            }
            entryAt += 8;
        }
    }
    return true;
}

}  // namespace kestrun
