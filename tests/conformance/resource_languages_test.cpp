// FindResourceA of a resource that a module holds in several languages
// (languages.rc, in this program): the one in the thread's language, else
// the neutral one, else the one of the lowest language id, which a module's
// resource directory lists first.
#include <cstdio>
#include <string>

#include "conformance.h"

namespace conformance {
namespace {

// The thread's locale as it was, back when this ends.
class KeptThreadLocale {
public:
    KeptThreadLocale() : locale_(GetThreadLocale()) {}
    ~KeptThreadLocale() { SetThreadLocale(locale_); }
    KeptThreadLocale(const KeptThreadLocale&) = delete;
    KeptThreadLocale& operator=(const KeptThreadLocale&) = delete;

private:
    LCID locale_;
};

constexpr LANGID germany = 0x0407, switzerland = 0x0807, france = 0x040C;

struct LanguageCase {
    const char* name;
    LANGID thread;
    const char* found;
    bool neutralBesideTheThreads = false; // where Wine takes the neutral one
};

class ResourceLanguage : public Win32Test, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(ResourceLanguage, TheThreadsLanguageThenTheNeutralOneThenTheLowestId) {
    const LanguageCase& wanted = GetParam();
    if (wanted.neutralBesideTheThreads) SKIP_WHERE_WINE_DEPARTS(NeutralResourceFirst);
    const KeptThreadLocale kept;
    ASSERT_TRUE(SetThreadLocale(MAKELCID(wanted.thread, SORT_DEFAULT))) << GetLastError();
    HRSRC found = FindResourceA(nullptr, wanted.name, RT_RCDATA);
    ASSERT_NE(found, nullptr) << GetLastError();
    EXPECT_STREQ(static_cast<const char*>(LockResource(LoadResource(nullptr, found))), wanted.found);
}

INSTANTIATE_TEST_SUITE_P(Win32, ResourceLanguage,
                         ::testing::Values(LanguageCase{"NEUTRAL_AND_GERMAN", germany, "de-DE", true},
                                           LanguageCase{"NEUTRAL_AND_GERMAN", france, "neutral"},
                                           LanguageCase{"GERMAN_AND_FRENCH", germany, "de-DE"},
                                           LanguageCase{"GERMAN_AND_FRENCH", france, "fr-FR"},
                                           LanguageCase{"SWISS_AND_FRENCH", switzerland, "de-CH"},
                                           LanguageCase{"SWISS_AND_FRENCH", germany, "fr-FR"}),
                         [](const ::testing::TestParamInfo<LanguageCase>& info) {
                             char thread[8];
                             std::snprintf(thread, sizeof thread, "%04X", info.param.thread);
                             return std::string(info.param.name) + "_" + thread;
                         });

} // namespace
} // namespace conformance
