#include "update/ArchiveListing.h"

#include <charconv>
#include <limits>
#include <regex>
#include <sstream>

namespace {

// "-rw-r--r-- user/group  123 2026-12-07 19:40 name"; devices show "major,minor" as size.
const std::regex& memberLine()
{
    static const std::regex line(R"(^(\S)\S{9} +\S+ +(\d+|\d+, *\d+) +\d+-\d\d-\d\d \d\d:\d\d (.+)$)");
    return line;
}

// "tar: ..." or "/usr/bin/tar: ...": tar names itself as it was started.
const std::regex& tarRemark()
{
    static const std::regex remark(R"(^\S*tar: )");
    return remark;
}

std::vector<std::string> componentsOf(const std::string& name)
{
    std::vector<std::string> components;
    std::stringstream stream(name);
    std::string component;
    while (std::getline(stream, component, '/'))
        if (!component.empty() && component != ".") components.push_back(component);
    return components;
}

ContentRefusal unsafe(const std::string& name) { return {ContentRefusal::Kind::unsafeEntry, name}; }

}  // namespace

std::optional<std::vector<ArchiveMember>> parseArchiveListing(const std::string& text)
{
    std::vector<ArchiveMember> members;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        // tar's own remarks share the stream; what they remark on is in the listing too.
        if (std::regex_search(line, tarRemark())) continue;
        std::smatch match;
        if (!std::regex_match(line, match, memberLine())) return std::nullopt;
        ArchiveMember member;
        member.type = match[1].str().front();
        const std::string size = match[2].str();
        if (size.find(',') == std::string::npos &&
            std::from_chars(size.data(), size.data() + size.size(), member.size).ec != std::errc{})
            member.size = std::numeric_limits<std::uint64_t>::max();
        member.name = match[3].str();
        while (member.name.size() > 1 && member.name.back() == '/') member.name.pop_back();
        members.push_back(std::move(member));
    }
    return members;
}

std::optional<ContentRefusal> listingRefusal(const std::vector<ArchiveMember>& members, const ContentLimits& limits,
                                             std::uint64_t freeBytes)
{
    if (members.size() > limits.maxEntries) return ContentRefusal{ContentRefusal::Kind::tooLarge, {}};
    std::optional<std::string> topLevel;
    std::uint64_t total = 0;
    for (const auto& member : members) {
        if (member.type != '-' && member.type != 'd') return unsafe(member.name);
        if (member.name.empty() || member.name.front() == '/') return unsafe(member.name);
        const auto components = componentsOf(member.name);
        for (const auto& component : components)
            if (component == "..") return unsafe(member.name);
        if (components.empty()) continue;  // "./" itself
        if (topLevel && *topLevel != components.front()) return unsafe(member.name);
        topLevel = components.front();
        if (member.size > limits.maxBytes - total) return ContentRefusal{ContentRefusal::Kind::tooLarge, {}};
        total += member.size;
    }
    if (total > freeBytes) return ContentRefusal{ContentRefusal::Kind::noSpace, {}};
    return std::nullopt;
}
