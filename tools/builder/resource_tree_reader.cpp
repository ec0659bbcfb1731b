#include "resource_tree_reader.h"

#include "byte_access.h"

namespace kestrun {
namespace {

constexpr int kMaxDepth = 8;               // real trees have three levels
constexpr std::size_t kMaxEntries = 1u << 18;  // guards against trees whose subdirectories are shared
constexpr std::uint32_t kHighBit = 0x80000000u;

class TreeReader {
public:
    TreeReader(const std::vector<std::uint8_t>& file, const PeLayout& layout, std::uint32_t rootRva)
        : file_(file), layout_(layout), rootRva_(rootRva), bytesLeft_(file.size()) {}

    // Reads the directory at offset (relative to the root) into directory.
    bool readDirectory(std::uint32_t offset, int depth, ResourceDirectory& directory, std::string& error) {
        if (depth > kMaxDepth) return fail(error, "resource directories nested too deeply");
        std::size_t at = 0;
        if (!locate(offset, 16, at)) return fail(error, "resource directory outside the file");
        readU32(file_, at, directory.characteristics);
        readU32(file_, at + 4, directory.timeDateStamp);
        readU16(file_, at + 8, directory.majorVersion);
        readU16(file_, at + 10, directory.minorVersion);
        std::uint16_t named = 0, numbered = 0;
        readU16(file_, at + 12, named);
        readU16(file_, at + 14, numbered);
        const std::uint32_t count = static_cast<std::uint32_t>(named) + numbered;
        std::size_t entriesAt = 0;
        if (!locate(static_cast<std::uint64_t>(offset) + 16, count * 8u, entriesAt)) {
            return fail(error, "resource directory entries outside the file");
        }
        if (count > kMaxEntries - entriesSeen_) return fail(error, "too many resource entries");
        entriesSeen_ += count;
        directory.entries.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t nameField = 0, dataField = 0;
            readU32(file_, entriesAt + i * 8, nameField);
            readU32(file_, entriesAt + i * 8 + 4, dataField);
            ResourceEntry& entry = directory.entries[i];
            if (!readKey(nameField, entry, error)) return false;
            if (dataField & kHighBit) {
                entry.isDirectory = true;
                if (!readDirectory(dataField & ~kHighBit, depth + 1, entry.directory, error)) return false;
            } else if (!readLeaf(dataField, entry, error)) {
                return false;
            }
        }
        return true;
    }

private:
    static bool fail(std::string& error, const char* message) {
        error = std::string("damaged executable: ") + message;
        return false;
    }

    // File offset of length bytes at offset from the root directory.
    bool locate(std::uint64_t offset, std::uint32_t length, std::size_t& at) const {
        const std::uint64_t rva = rootRva_ + offset;
        return rva <= 0xFFFFFFFFu && rvaToFileOffset(layout_, file_.size(), static_cast<std::uint32_t>(rva), length, at);
    }

    bool readKey(std::uint32_t nameField, ResourceEntry& entry, std::string& error) {
        if (!(nameField & kHighBit)) {
            entry.id = static_cast<std::uint16_t>(nameField);
            return true;
        }
        std::size_t at = 0;
        std::uint16_t length = 0;
        const std::uint32_t offset = nameField & ~kHighBit;
        if (!locate(offset, 2, at) || !readU16(file_, at, length) ||
            !locate(static_cast<std::uint64_t>(offset) + 2, length * 2u, at)) {
            return fail(error, "resource name outside the file");
        }
        entry.hasName = true;
        entry.name.resize(length);
        for (std::uint16_t k = 0; k < length; ++k) {
            std::uint16_t unit = 0;
            readU16(file_, at + k * 2u, unit);
            entry.name[k] = static_cast<char16_t>(unit);
        }
        return true;
    }

    bool readLeaf(std::uint32_t offset, ResourceEntry& entry, std::string& error) {
        std::size_t at = 0;
        if (!locate(offset, 16, at)) return fail(error, "resource data entry outside the file");
        std::uint32_t dataRva = 0, size = 0;
        readU32(file_, at, dataRva);
        readU32(file_, at + 4, size);
        readU32(file_, at + 8, entry.codePage);
        std::size_t dataAt = 0;
        if (size > bytesLeft_ || !rvaToFileOffset(layout_, file_.size(), dataRva, size, dataAt)) {
            return fail(error, "resource data outside the file");
        }
        bytesLeft_ -= size;
        entry.data.assign(file_.begin() + dataAt, file_.begin() + dataAt + size);
        return true;
    }

    const std::vector<std::uint8_t>& file_;
    const PeLayout& layout_;
    std::uint32_t rootRva_;
    std::size_t entriesSeen_ = 0;
    std::size_t bytesLeft_;  // leaves may not copy more bytes in total than the file holds
};

}  // namespace

bool readResourceTree(const std::vector<std::uint8_t>& file, const PeLayout& layout, std::uint32_t rootRva,
                      ResourceDirectory& root, std::string& error) {
    root = ResourceDirectory{};
    TreeReader reader(file, layout, rootRva);
    return reader.readDirectory(0, 0, root, error);
}

}  // namespace kestrun
