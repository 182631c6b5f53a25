// The runtime's module list, the user's language, and where a localised
// resource module is looked for.
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "vcl/language.h"
#include "vcl/modules.h"
#include "win32/hosted/hosted_pc.h"

namespace {

using namespace vcl;

HINSTANCE Fake(std::uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); }

TEST(ModuleList, KeepsTheMostRecentFirstAndGivesEachModulesResources) {
    TLibModule first{nullptr, Fake(0x1000), Fake(0x1000), Fake(0x1000), Fake(0x1000)};
    TLibModule second{nullptr, Fake(0x2000), Fake(0x2000), Fake(0x2000), Fake(0x9001)};
    const std::size_t before = RegisteredModules().size();
    RegisterModule(&first);
    RegisterModule(&second);
    std::vector<TLibModule> modules = RegisteredModules();
    ASSERT_EQ(modules.size(), before + 2);
    EXPECT_EQ(modules[0].Instance, second.Instance);
    EXPECT_EQ(modules[1].Instance, first.Instance);
    EXPECT_EQ(FindResourceHInstance(Fake(0x2000)), Fake(0x9001));
    EXPECT_EQ(FindResourceHInstance(Fake(0x1000)), Fake(0x1000));
    EXPECT_EQ(FindResourceHInstance(Fake(0x3000)), Fake(0x3000));
    UnregisterModule(&second);
    EXPECT_EQ(FindResourceHInstance(Fake(0x2000)), Fake(0x2000));
    UnregisterModule(&first);
    EXPECT_EQ(RegisteredModules().size(), before);
}

// The locale variables as a test sets them, restored afterwards.
class LocaleTest : public ::testing::Test {
protected:
    static constexpr const char* variables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    void SetUp() override {
        for (const char* variable : variables) {
            const char* value = std::getenv(variable);
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(variable);
        }
    }
    void TearDown() override {
        for (std::size_t i = 0; i < saved_.size(); ++i) {
            if (saved_[i]) ::setenv(variables[i], saved_[i]->c_str(), 1);
            else ::unsetenv(variables[i]);
        }
    }
    std::string With(const char* variable, const char* value) {
        ::setenv(variable, value, 1);
        return UserLanguageAbbreviation();
    }

private:
    std::vector<std::optional<std::string>> saved_;
};

TEST_F(LocaleTest, TheLocaleOfMessagesNamesTheLanguageAsWindowsAbbreviatesIt) {
    EXPECT_EQ(UserLanguageAbbreviation(), "");
    EXPECT_EQ(With("LANG", "de_DE.UTF-8"), "DEU");
    EXPECT_EQ(With("LANG", "de_AT"), "DEA");
    EXPECT_EQ(With("LANG", "de_CH.ISO-8859-1@euro"), "DES");
    EXPECT_EQ(With("LANG", "de"), "DEU");
    EXPECT_EQ(With("LANG", "de_BR.UTF-8"), "DEU");
    EXPECT_EQ(With("LANG", "en_GB.UTF-8"), "ENG");
    EXPECT_EQ(With("LANG", "pt_BR"), "PTB");
    EXPECT_EQ(With("LANG", "C.UTF-8"), "");
    EXPECT_EQ(With("LANG", "POSIX"), "");
    EXPECT_EQ(With("LANG", "tlh_QO"), "");
    EXPECT_EQ(With("LC_MESSAGES", "fr_CA.UTF-8"), "FRC");
    EXPECT_EQ(With("LC_ALL", "sv_SE"), "SVE");
}

TEST_F(LocaleTest, AResourceModuleIsLookedForBesideTheModuleUnderTheLanguage) {
    hosted::ResetMachine();
    EXPECT_EQ(LoadResourceModule("/nowhere/Pack.bpl"), nullptr);
    EXPECT_TRUE(hosted::Journal().empty());
    ::setenv("LANG", "de_AT.UTF-8", 1);
    EXPECT_EQ(LoadResourceModule("/nowhere/Pack.bpl"), nullptr);
    EXPECT_EQ(LoadResourceModule("/no.where/Pack"), nullptr);
    EXPECT_EQ(hosted::Journal(),
              (std::vector<std::string>{
                  R"(LoadLibraryExA("/nowhere/Pack.DEA", NULL, 0x2) = NULL (ERROR_MOD_NOT_FOUND))",
                  R"(LoadLibraryExA("/nowhere/Pack.DE", NULL, 0x2) = NULL (ERROR_MOD_NOT_FOUND))",
                  R"(LoadLibraryExA("/no.where/Pack.DEA", NULL, 0x2) = NULL (ERROR_MOD_NOT_FOUND))",
                  R"(LoadLibraryExA("/no.where/Pack.DE", NULL, 0x2) = NULL (ERROR_MOD_NOT_FOUND))"}));
    hosted::ResetMachine();
}

} // namespace
