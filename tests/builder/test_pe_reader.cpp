#include "test_pe_reader.h"

#include "test_pe_writer.h"

#include <stdexcept>

namespace testpe {
namespace {

struct Reader {
    const std::vector<std::uint8_t>& file;
    const PeView& view;

    std::size_t offsetOf(std::uint32_t rva) const {
        for (const Section& s : view.sections) {
            if (rva >= s.virtualAddress && rva < s.virtualAddress + s.rawSize) return s.rawOffset + (rva - s.virtualAddress);
        }
        throw std::out_of_range("rva outside the sections");
    }

    std::string keyText(std::uint32_t field) const {
        if (!(field & 0x80000000u)) return "#" + std::to_string(field & 0xFFFF);
        const std::size_t at = offsetOf(view.resourceRva + (field & 0x7FFFFFFFu));
        std::string name;
        for (std::uint16_t i = 0, n = get16(file, at); i < n; ++i) name += static_cast<char>(get16(file, at + 2 + 2 * i));
        return name;
    }

    void walk(std::uint32_t dirOffset, const std::string& path, int depth, PeView& out) const {
        if (depth > 3) throw std::out_of_range("too deep");
        const std::size_t at = offsetOf(view.resourceRva + dirOffset);
        const std::uint16_t named = get16(file, at + 12), count = named + get16(file, at + 14);
        std::string previous;
        for (std::uint16_t i = 0; i < count; ++i) {
            const std::uint32_t nameField = get32(file, at + 16 + 8 * i), dataField = get32(file, at + 20 + 8 * i);
            if (((nameField & 0x80000000u) != 0) != (i < named)) out.directoriesSorted = false;
            const std::string key = keyText(nameField);
            // Numbers compare by value, names by text; both must ascend within their group.
            if (i > 0 && i != named) {
                const bool ascending = (i < named) ? previous < key
                                                   : std::stoul(previous.substr(1)) < std::stoul(key.substr(1));
                if (!ascending) out.directoriesSorted = false;
            }
            previous = key;
            const std::string childPath = path.empty() ? key : path + "/" + key;
            if (dataField & 0x80000000u) {
                walk(dataField & 0x7FFFFFFFu, childPath, depth + 1, out);
            } else {
                const std::size_t record = offsetOf(view.resourceRva + dataField);
                const std::size_t data = offsetOf(get32(file, record));
                const std::uint32_t size = get32(file, record + 4);
                if (data + size > file.size()) throw std::out_of_range("resource data outside the file");
                out.resources[childPath] = std::string(file.begin() + data, file.begin() + data + size);
            }
        }
    }
};

}  // namespace

PeView readPe(const std::vector<std::uint8_t>& file) {
    PeView view;
    const std::size_t pe = get32(file, 0x3C);
    if (get32(file, pe) != 0x00004550) throw std::out_of_range("no PE signature");
    view.sectionCount = get16(file, pe + 6);
    const std::size_t opt = pe + 24;
    view.sizeOfInitializedData = get32(file, opt + 8);
    view.sectionAlignment = get32(file, opt + 32);
    view.fileAlignment = get32(file, opt + 36);
    view.sizeOfImage = get32(file, opt + 56);
    view.sizeOfHeaders = get32(file, opt + 60);
    view.checksum = get32(file, opt + 64);
    view.resourceRva = get32(file, opt + 96 + 16);
    view.resourceSize = get32(file, opt + 96 + 20);
    const std::size_t table = opt + get16(file, pe + 20);
    for (std::size_t i = 0; i < view.sectionCount; ++i) {
        const std::size_t h = table + 40 * i;
        std::string name;
        for (std::size_t k = 0; k < 8 && file.at(h + k) != 0; ++k) name += static_cast<char>(file[h + k]);
        view.sections.push_back({name, get32(file, h + 8), get32(file, h + 12), get32(file, h + 16), get32(file, h + 20),
                                 get32(file, h + 36)});
    }
    if (view.resourceRva != 0) Reader{file, view}.walk(0, "", 1, view);
    return view;
}

std::uint32_t systemChecksum(const std::vector<std::uint8_t>& file) {
    const std::size_t field = get32(file, 0x3C) + 24 + 64;
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < file.size(); i += 2) {
        std::uint32_t word = file[i] | ((i + 1 < file.size() ? file[i + 1] : 0) << 8);
        if (i >= field && i < field + 4) word = 0;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<std::uint32_t>(file.size());
}

}  // namespace testpe
