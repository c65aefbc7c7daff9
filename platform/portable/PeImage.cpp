#include "platform/portable/PeImage.h"

#include <algorithm>
#include <cstring>

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kExportDirectory = 0;
constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kSecurityDirectory = 4;
constexpr std::uint32_t kHighBit = 0x80000000u;
// Bound the walk of a hostile tree whose directories share entries: no real
// library comes near these.
constexpr std::uint32_t kMaxEntries = 65536;
constexpr std::size_t kMaxResources = 1u << 16;
constexpr std::size_t kMaxVisits = 1u << 20;

// Little-endian reads that fail (leave `ok` false) instead of running past
// the bytes.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool ok = true;

    std::uint32_t U32(std::size_t at) {
        if (!Has(at, 4)) return 0;
        return static_cast<std::uint32_t>(bytes_[at] | (bytes_[at + 1] << 8) | (bytes_[at + 2] << 16)) |
               (static_cast<std::uint32_t>(bytes_[at + 3]) << 24);
    }
    std::uint16_t U16(std::size_t at) {
        if (!Has(at, 2)) return 0;
        return static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
    }
    bool Has(std::size_t at, std::size_t count) {
        if (at > bytes_.size() || count > bytes_.size() - at) ok = false;
        return ok;
    }
    std::span<const std::uint8_t> Bytes(std::size_t at, std::size_t count) {
        if (!Has(at, count)) return {};
        return bytes_.subspan(at, count);
    }

private:
    std::span<const std::uint8_t> bytes_;
};

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawOffset = 0;
};

// Maps an RVA range to a file offset inside one section's raw data.
std::optional<std::size_t> FileOffset(const std::vector<Section>& sections, std::uint32_t rva, std::uint32_t size) {
    for (const Section& s : sections) {
        if (rva < s.virtualAddress) continue;
        const std::uint64_t into = rva - s.virtualAddress;
        if (into + size <= s.rawSize) return s.rawOffset + into;
    }
    return std::nullopt;
}

class ResourceWalk {
public:
    ResourceWalk(Reader& reader, std::size_t root, std::size_t rootSize, const std::vector<Section>& sections,
                 std::vector<PeResource>& out)
        : reader_(reader), root_(root), rootSize_(rootSize), sections_(sections), out_(out) {}

    // Walks type, name and language levels. False with `error` set on a
    // malformed tree.
    bool Run(std::string& error) {
        PeResource key;
        if (!Directory(0, 0, key, error)) return false;
        return true;
    }

private:
    bool Directory(std::uint32_t offset, int level, PeResource& key, std::string& error) {
        if (offset > rootSize_ || rootSize_ - offset < 16) return Fail("a resource directory lies outside the section", error);
        const std::size_t at = root_ + offset;
        const std::uint32_t count = static_cast<std::uint32_t>(reader_.U16(at + 12)) + reader_.U16(at + 14);
        if (count > kMaxEntries || 16 + 8ull * count > rootSize_ - offset)
            return Fail("a resource directory runs past the section", error);
        for (std::uint32_t i = 0; i < count; ++i) {
            if (++visits_ > kMaxVisits) return Fail("the resource tree holds too many entries", error);
            const std::size_t entry = at + 16 + 8 * i;
            const std::uint32_t name = reader_.U32(entry);
            const std::uint32_t target = reader_.U32(entry + 4);
            std::u16string text;
            std::uint16_t id = 0;
            if (name & kHighBit) {
                if (!Name(name & ~kHighBit, text, error)) return false;
            } else {
                id = static_cast<std::uint16_t>(name);
            }
            if (level == 0) {
                key.typeId = id;
                key.typeName = text;
            } else if (level == 1) {
                key.id = id;
                key.name = text;
            } else {
                key.language = id;
            }
            const bool subdirectory = (target & kHighBit) != 0;
            if (subdirectory != (level < 2)) return Fail("the resource tree is not three levels deep", error);
            if (subdirectory) {
                if (!Directory(target & ~kHighBit, level + 1, key, error)) return false;
            } else if (!Data(target, key, error)) {
                return false;
            }
        }
        return true;
    }

    bool Name(std::uint32_t offset, std::u16string& text, std::string& error) {
        if (offset > rootSize_ || rootSize_ - offset < 2) return Fail("a resource name lies outside the section", error);
        const std::size_t length = reader_.U16(root_ + offset);
        if (2 + 2 * length > rootSize_ - offset) return Fail("a resource name runs past the section", error);
        text.resize(length);
        for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char16_t>(reader_.U16(root_ + offset + 2 + 2 * i));
        return true;
    }

    bool Data(std::uint32_t offset, const PeResource& key, std::string& error) {
        if (offset > rootSize_ || rootSize_ - offset < 16) return Fail("a resource data entry lies outside the section", error);
        const std::uint32_t rva = reader_.U32(root_ + offset);
        const std::uint32_t size = reader_.U32(root_ + offset + 4);
        const std::optional<std::size_t> file = FileOffset(sections_, rva, size);
        if (!file) return Fail("resource data lies outside the file", error);
        const std::span<const std::uint8_t> bytes = reader_.Bytes(*file, size);
        if (!reader_.ok) return Fail("resource data lies outside the file", error);
        if (out_.size() >= kMaxResources) return Fail("the resource tree holds too many entries", error);
        PeResource resource = key;
        resource.data.assign(bytes.begin(), bytes.end());
        out_.push_back(std::move(resource));
        return true;
    }

    static bool Fail(const char* what, std::string& error) {
        error = what;
        return false;
    }

    Reader& reader_;
    std::size_t root_;
    std::size_t rootSize_;
    const std::vector<Section>& sections_;
    std::vector<PeResource>& out_;
    std::size_t visits_ = 0;
};

}  // namespace

std::optional<PeImage> PeImage::Parse(std::span<const std::uint8_t> bytes, std::string& error) {
    Reader reader(bytes);
    if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z') {
        error = "not a Windows module (no MZ header)";
        return std::nullopt;
    }
    const std::size_t pe = reader.U32(0x3C);
    const std::span<const std::uint8_t> signature = reader.Bytes(pe, 24);
    if (!reader.ok || signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 || signature[3] != 0) {
        error = "not a Windows module (no PE header)";
        return std::nullopt;
    }
    const std::uint16_t sectionCount = reader.U16(pe + 6);
    const std::uint16_t optionalSize = reader.U16(pe + 20);
    const std::size_t optional = pe + 24;
    const std::uint16_t magic = reader.U16(optional);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        error = "unknown optional-header kind";
        return std::nullopt;
    }
    PeImage image;
    image.facts_.pe32Plus = magic == kPe32PlusMagic;
    image.facts_.entryPoint = reader.U32(optional + 16);
    const std::size_t countAt = optional + (image.facts_.pe32Plus ? 108 : 92);
    const std::uint32_t directoryCount = std::min<std::uint32_t>(reader.U32(countAt), 16);
    struct Directory {
        std::uint32_t address = 0, size = 0;
    };
    std::vector<Directory> directories(16);
    for (std::uint32_t i = 0; i < directoryCount; ++i) {
        const std::size_t at = countAt + 4 + 8 * i;
        if (at + 8 > optional + optionalSize) break;
        directories[i] = {reader.U32(at), reader.U32(at + 4)};
    }
    image.facts_.exportSize = directories[kExportDirectory].size;
    image.facts_.importSize = directories[kImportDirectory].size;
    image.facts_.signatureSize = directories[kSecurityDirectory].size;

    std::vector<Section> sections;
    const std::size_t table = optional + optionalSize;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = table + 40 * static_cast<std::size_t>(i);
        const std::span<const std::uint8_t> name = reader.Bytes(at, 8);
        if (!reader.ok) break;
        std::string text(name.begin(), name.end());
        text.resize(std::strlen(text.c_str()));
        image.facts_.sections.push_back(text);
        sections.push_back({reader.U32(at + 12), reader.U32(at + 8), reader.U32(at + 16), reader.U32(at + 20)});
    }
    if (!reader.ok) {
        error = "the section table runs past the file";
        return std::nullopt;
    }
    const Directory resources = directories[kResourceDirectory];
    if (resources.size == 0) return image;  // a module without resources
    const std::optional<std::size_t> root = FileOffset(sections, resources.address, resources.size);
    if (!root || !reader.Has(*root, resources.size)) {
        error = "the resource directory lies outside the file";
        return std::nullopt;
    }
    ResourceWalk walk(reader, *root, resources.size, sections, image.resources_);
    if (!walk.Run(error)) return std::nullopt;
    return image;
}

std::vector<const PeResource*> PeImage::Versions(std::uint16_t typeId, std::u16string_view typeName,
                                                 std::uint16_t id) const {
    std::vector<const PeResource*> found;
    for (const PeResource& r : resources_) {
        const bool typeMatches = typeName.empty() ? (r.typeName.empty() && r.typeId == typeId) : r.typeName == typeName;
        if (typeMatches && r.name.empty() && r.id == id) found.push_back(&r);
    }
    return found;
}

}  // namespace Korvane::PC::Tarnwick
