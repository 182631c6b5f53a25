// The runtime's module list, the user's language, and where a localised
// resource module is looked for.
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support.h"
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

// The locale as a test sets it, restored afterwards.
class LocaleTest : public ::testing::Test {
protected:
    testsupport::MessagesLocaleCleared locale;
};

TEST_F(LocaleTest, TheLocaleOfMessagesNamesTheLanguageAsWindowsAbbreviatesIt) {
    EXPECT_EQ(UserLanguageAbbreviation(), "");
    const struct {
        const char* variable;
        const char* value;
        const char* abbreviation;
    } cases[] = {
        {"LANG", "de_DE.UTF-8", "DEU"}, {"LANG", "de_AT", "DEA"},        {"LANG", "de_CH.ISO-8859-1@euro", "DES"},
        {"LANG", "de", "DEU"},          {"LANG", "de_BR.UTF-8", "DEU"},  {"LANG", "en_GB.UTF-8", "ENG"},
        {"LANG", "pt_BR", "PTB"},       {"LANG", "C.UTF-8", ""},         {"LANG", "POSIX", ""},
        {"LANG", "tlh_QO", ""},         {"LC_MESSAGES", "fr_CA.UTF-8", "FRC"}, {"LC_ALL", "sv_SE", "SVE"},
    };
    for (const auto& [variable, value, abbreviation] : cases) {
        ::setenv(variable, value, 1);
        EXPECT_EQ(UserLanguageAbbreviation(), abbreviation) << variable << "=" << value;
    }
}

TEST_F(LocaleTest, AResourceModuleIsLookedForBesideTheModuleUnderTheLanguage) {
    hosted::ResetMachine();
    hosted::KeepJournal(true);
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
