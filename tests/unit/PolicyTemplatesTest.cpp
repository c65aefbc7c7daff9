// The administrative templates in policy/ against the program: what Group
// Policy writes from tarnwick.admx is what ReadPublisherPolicy reads, and
// every string and presentation the template names is in each language file.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/PublisherPolicy.h"
#include "common/Utf8.h"
#include "platform/fakes/FakeRegistry.h"

namespace Korvane::PC::Tarnwick {
namespace {

// Just enough XML for the templates: elements, attributes in double quotes,
// text; comments and the declaration are skipped. Entities stay as written.
struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;
    std::vector<std::unique_ptr<Element>> children;

    std::vector<const Element*> All(const std::string& wanted) const {
        std::vector<const Element*> found;
        for (const auto& child : children) {
            if (child->name == wanted) found.push_back(child.get());
            for (const Element* deeper : child->All(wanted)) found.push_back(deeper);
        }
        return found;
    }
    std::string Attribute(const std::string& key) const {
        const auto it = attributes.find(key);
        return it == attributes.end() ? std::string() : it->second;
    }
};

std::unique_ptr<Element> ParseXml(const std::string& xml) {
    auto root = std::make_unique<Element>();
    std::vector<Element*> open{root.get()};
    std::size_t at = 0;
    while (at < xml.size()) {
        const std::size_t lt = xml.find('<', at);
        if (lt == std::string::npos) break;
        open.back()->text += xml.substr(at, lt - at);
        if (xml.compare(lt, 4, "<!--") == 0) {
            at = xml.find("-->", lt) + 3;
            continue;
        }
        const std::size_t gt = xml.find('>', lt);
        if (gt == std::string::npos) return nullptr;
        std::string tag = xml.substr(lt + 1, gt - lt - 1);
        at = gt + 1;
        if (tag.starts_with("?")) continue;
        if (tag.starts_with("/")) {
            if (open.size() < 2 || open.back()->name != tag.substr(1)) return nullptr;
            open.pop_back();
            continue;
        }
        const bool empty = tag.ends_with("/");
        if (empty) tag.pop_back();
        auto element = std::make_unique<Element>();
        std::istringstream parts(tag);
        parts >> element->name;
        for (std::size_t eq = tag.find("=\""); eq != std::string::npos; eq = tag.find("=\"", eq + 2)) {
            const std::size_t nameStart = tag.find_last_of(" \t\r\n", eq) + 1;
            const std::size_t close = tag.find('"', eq + 2);
            if (close == std::string::npos) return nullptr;
            element->attributes[tag.substr(nameStart, eq - nameStart)] = tag.substr(eq + 2, close - eq - 2);
            eq = close - 1;
        }
        Element* raw = element.get();
        open.back()->children.push_back(std::move(element));
        if (!empty) open.push_back(raw);
    }
    return open.size() == 1 ? std::move(root) : nullptr;
}

std::unique_ptr<Element> ReadTemplate(const std::string& relative) {
    std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + "/policy/" + relative, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    auto parsed = ParseXml(bytes.str());
    EXPECT_TRUE(parsed && !bytes.str().empty()) << relative << " is missing or not well-formed";
    return parsed;
}

// The registry type each kind of policy element writes.
const std::map<std::string, std::uint32_t> kElementTypes = {
    {"decimal", kRegDword}, {"boolean", kRegDword}, {"text", kRegSz}, {"multiText", kRegMultiSz}};

std::u16string Widened(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

struct Written {
    std::string key, value;
    std::uint32_t type;
    auto operator<=>(const Written&) const = default;
};
void PrintTo(const Written& value, std::ostream* out) { *out << value.key << " " << value.value << " type " << value.type; }

TEST(PolicyTemplatesTest, TheTemplateWritesWhatTheProgramReads) {
    const auto admx = ReadTemplate("tarnwick.admx");
    ASSERT_TRUE(admx);
    std::set<Written> written;
    std::map<std::string, std::uint32_t> enabled;  // value name -> the number its policy writes when enabled
    for (const Element* policy : admx->All("policy")) {
        EXPECT_EQ(policy->Attribute("class"), "Machine") << policy->Attribute("name");
        const std::string key = policy->Attribute("key");
        if (!policy->Attribute("valueName").empty()) {
            // The policy's own value: enabled and disabled write numbers.
            for (const char* state : {"enabledValue", "disabledValue"}) {
                const auto values = policy->All(state);
                ASSERT_EQ(values.size(), 1u) << policy->Attribute("name") << " " << state;
                ASSERT_EQ(values[0]->children.size(), 1u);
                const auto type = kElementTypes.find(values[0]->children[0]->name);
                ASSERT_NE(type, kElementTypes.end()) << values[0]->children[0]->name;
                written.insert({key, policy->Attribute("valueName"), type->second});
                if (std::string(state) == "enabledValue") {
                    enabled[policy->Attribute("valueName")] =
                        static_cast<std::uint32_t>(std::stoul(values[0]->children[0]->Attribute("value")));
                }
            }
        }
        for (const Element* elements : policy->All("elements")) {
            for (const auto& element : elements->children) {
                const auto type = kElementTypes.find(element->name);
                ASSERT_NE(type, kElementTypes.end()) << "an element the program does not read: " << element->name;
                written.insert({element->Attribute("key").empty() ? key : element->Attribute("key"),
                                element->Attribute("valueName"), type->second});
            }
        }
    }
    const std::string policyKey = ToUtf8(kPolicyKey);
    EXPECT_EQ(written, (std::set<Written>{{policyKey, ToUtf8(kTrustedPublishersValue), kTrustedPublishersType},
                                          {policyKey, ToUtf8(kCheckRevocationValue), kCheckRevocationType}}));

    // Values of those names and types, where the template puts them, are
    // read, through the native view of the registry.
    FakeRegistry registry;
    const std::u16string sha1 = u"00112233445566778899aabbccddeeff00112233";
    for (const Written& value : written) {
        auto& slot = registry.keys[{RegistryRoot::LocalMachine, Widened(value.key)}][Widened(value.value)];
        slot.type = value.type;
        const std::uint32_t number = enabled[value.value];
        const std::u16string units = value.type == kRegMultiSz
                                         ? sha1 + u'\0' + u'\0'
                                         : std::u16string{static_cast<char16_t>(number), static_cast<char16_t>(number >> 16)};
        for (const char16_t unit : units) {
            slot.data.push_back(static_cast<std::uint8_t>(unit));
            slot.data.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
    }
    const PublisherPolicy policy = ReadPublisherPolicy(registry);
    ASSERT_TRUE(policy.pinned);
    EXPECT_EQ(policy.pinned->size(), 1u);
    EXPECT_TRUE(policy.checkRevocation);
    ASSERT_FALSE(registry.openAccess.empty());
    for (const std::uint32_t access : registry.openAccess) EXPECT_NE(access & kKeyWow64_64Key, 0u) << access;
}

TEST(PolicyTemplatesTest, EveryLanguageHoldsEachStringAndPresentationTheTemplateNames) {
    const auto admx = ReadTemplate("tarnwick.admx");
    ASSERT_TRUE(admx);
    std::set<std::string> strings, presentations;
    std::map<std::string, std::set<std::string>> elementIds;  // presentation id -> element ids of its policy
    const std::function<void(const Element&)> collect = [&](const Element& element) {
        for (const auto& [name, value] : element.attributes) {
            if (value.starts_with("$(string.") && value.ends_with(")")) strings.insert(value.substr(9, value.size() - 10));
            if (value.starts_with("$(presentation.") && value.ends_with(")")) {
                const std::string id = value.substr(15, value.size() - 16);
                presentations.insert(id);
                for (const Element* child : element.All("multiText")) elementIds[id].insert(child->Attribute("id"));
                for (const Element* child : element.All("text")) elementIds[id].insert(child->Attribute("id"));
            }
        }
        for (const auto& child : element.children) collect(*child);
    };
    collect(*admx);
    EXPECT_TRUE(strings.contains("TrustedPublishers") && strings.contains("CheckRevocation"));

    for (const char* language : {"en-US", "ja-JP"}) {
        const auto adml = ReadTemplate(std::string(language) + "/tarnwick.adml");
        ASSERT_TRUE(adml);
        std::set<std::string> defined, shown;
        for (const Element* string : adml->All("string")) {
            EXPECT_TRUE(defined.insert(string->Attribute("id")).second) << language << " twice: " << string->Attribute("id");
            EXPECT_FALSE(string->text.empty()) << language << " " << string->Attribute("id");
        }
        for (const Element* presentation : adml->All("presentation")) {
            const std::string id = presentation->Attribute("id");
            shown.insert(id);
            for (const auto& box : presentation->children) {
                EXPECT_TRUE(elementIds[id].contains(box->Attribute("refId")))
                    << language << " " << id << " shows " << box->Attribute("refId") << ", not an element of its policy";
            }
        }
        EXPECT_EQ(defined, strings) << language << ": strings defined and strings the template names";
        EXPECT_EQ(shown, presentations) << language;
    }
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
