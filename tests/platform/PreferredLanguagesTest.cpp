#include "platform/core/PreferredLanguages.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class Environment {
public:
    Environment()
    {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
            if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
            ::unsetenv(name);
        }
    }
    ~Environment()
    {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) ::unsetenv(name);
        for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
    }

private:
    std::vector<std::pair<std::string, std::string>> saved_;
};

}  // namespace

TEST(PreferredLanguages, ComeFromLanguageThenTheFirstSetLocaleVariable)
{
    Environment env;
    ::setenv("LANGUAGE", "fr_CA:de", 1);
    ::setenv("LC_MESSAGES", "zh_TW.UTF-8", 1);
    ::setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_EQ(core::preferredLanguages(), (std::vector<std::string>{"fr-CA", "de", "zh-TW"}));

    ::unsetenv("LANGUAGE");
    ::setenv("LC_ALL", "C", 1);
    EXPECT_TRUE(core::preferredLanguages().empty()) << "LC_ALL=C overrides LANG and names no language";
}

TEST(PreferredLanguages, NormaliseAndOverride)
{
    EXPECT_EQ(core::normalizeLocaleName("zh_TW.UTF-8"), "zh-TW");
    EXPECT_EQ(core::normalizeLocaleName("sr_RS@latin"), "sr-RS");
    EXPECT_EQ(core::normalizeLocaleName("POSIX"), "");

    Environment env;
    ::setenv("LANG", "de_DE.UTF-8", 1);
    core::setPreferredLanguagesOverride(std::vector<std::string>{"ja-JP"});
    EXPECT_EQ(core::preferredLanguages(), std::vector<std::string>{"ja-JP"});
    core::setPreferredLanguagesOverride(std::nullopt);
    EXPECT_EQ(core::preferredLanguages(), std::vector<std::string>{"de-DE"});
}
