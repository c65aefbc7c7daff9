// A Windows PE file (a DLL or an executable, 32- or 64-bit) read as bytes on
// any system: the few header facts that tell whether it carries code or a
// signature, and its resource tree.
//
// Nothing is mapped or run; every offset in the file is checked against its
// size, so a damaged or hostile file yields an error text, never a read past
// the bytes. Each resource's data is copied into a buffer of its own, so it
// is suitably aligned for reading UTF-16 in place (as a loaded module's
// resources are).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace Korvane::PC::Tarnwick {

struct PeResource {
    std::uint16_t typeId = 0;  // when `typeName` is empty
    std::u16string typeName;   // a named type such as "TXT"
    std::uint16_t id = 0;      // when `name` is empty
    std::u16string name;       // a resource with a name instead of an id
    std::uint16_t language = 0;
    std::vector<std::uint8_t> data;
};

struct PeFacts {
    bool pe32Plus = false;
    std::uint32_t entryPoint = 0;     // AddressOfEntryPoint (RVA); 0 for a resource-only library
    std::uint32_t importSize = 0;     // size of the import directory
    std::uint32_t exportSize = 0;     // size of the export directory
    std::uint32_t signatureSize = 0;  // size of the certificate table (Authenticode signature)
    std::vector<std::string> sections;
};

class PeImage {
public:
    // Reads `bytes`; on failure `error` says what is wrong and nothing is
    // returned.
    static std::optional<PeImage> Parse(std::span<const std::uint8_t> bytes, std::string& error);

    const PeFacts& facts() const { return facts_; }
    // Every resource with an integer or named id, in directory order.
    const std::vector<PeResource>& resources() const { return resources_; }

    // The versions of resource `id` of `type` (integer id when `typeName` is
    // empty) in their languages, in directory order.
    std::vector<const PeResource*> Versions(std::uint16_t typeId, std::u16string_view typeName,
                                            std::uint16_t id) const;

private:
    PeFacts facts_;
    std::vector<PeResource> resources_;
};

}  // namespace Korvane::PC::Tarnwick
