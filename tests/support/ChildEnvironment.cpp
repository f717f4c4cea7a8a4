#include "support/ChildEnvironment.h"

extern char** environ;

namespace testsupport {

std::vector<std::string> childEnvironment(const std::map<std::string, std::string>& variables)
{
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : variables) merged[name] = value;
    std::vector<std::string> texts;
    for (const auto& [name, value] : merged) texts.push_back(name + "=" + value);
    return texts;
}

std::vector<char*> nullTerminated(const std::vector<std::string>& texts)
{
    std::vector<char*> list;
    for (const auto& text : texts) list.push_back(const_cast<char*>(text.c_str()));
    list.push_back(nullptr);
    return list;
}

}  // namespace testsupport
