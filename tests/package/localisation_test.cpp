// The localised resource module beside a package: taken when the user's
// language asks for it, by its three-letter name or its first two letters,
// and freed with the package; the package's own resources otherwise.
#include "package_fixture.h"
#include "vcl/packages.h"
#include "win32/hosted/hosted_pc.h"

namespace packagetest {
namespace {

namespace fs = std::filesystem;

class LocalisationTest : public PackageTest {
protected:
    void SetUp() override {
        PackageTest::SetUp();
        fs::copy_file(PackageFile(), package);
    }
    // The description found through the module list while the package is loaded.
    std::string DescriptionWith(const char* locale) {
        if (locale) ::setenv("LANG", locale, 1);
        HMODULE module = vcl::LoadPackage(package.string());
        const auto found = vcl::FindResource("DESCRIPTION", RT_RCDATA);
        std::string text;
        for (std::size_t i = 0; found && i < found->Bytes.size() && found->Bytes[i]; i += 2)
            text += static_cast<char>(found->Bytes[i]);
        resources = vcl::FindResourceHInstance(module);
        own = resources == module;
        vcl::UnloadPackage(module);
        ::unsetenv("LANG");
        return text;
    }
    const fs::path package = dir / PackageFile().filename();
    HINSTANCE resources = nullptr;
    bool own = false;
};

TEST_F(LocalisationTest, TheLanguagesModuleIsTakenAndFreedWithThePackage) {
    fs::copy_file(GermanResources(), dir / "ZelvanPack.DEU");
    EXPECT_EQ(DescriptionWith("de_DE.UTF-8"), "Kesmet TZelvan Komponente");
    EXPECT_FALSE(own);
    const std::vector<std::string> freed = hosted::JournalOf("FreeLibrary");
    EXPECT_EQ(freed[freed.size() - 2], "FreeLibrary(ZelvanPack.DEU (data)) = TRUE");
    // The picture comes from there too.
    EXPECT_EQ(hosted::JournalOf("LoadLibraryExA")[1],
              "LoadLibraryExA(\"" + (dir / "ZelvanPack.DEU").string() + "\", NULL, 0x2) = ZelvanPack.DEU (data)");
}

TEST_F(LocalisationTest, TheLanguagesFirstTwoLettersNameAModuleToo) {
    fs::copy_file(GermanResources(), dir / "ZelvanPack.DE");
    EXPECT_EQ(DescriptionWith("de_CH.UTF-8"), "Kesmet TZelvan Komponente");
    EXPECT_FALSE(own);
    const std::vector<std::string> tried = hosted::JournalOf("LoadLibraryExA");
    EXPECT_EQ(tried[1], "LoadLibraryExA(\"" + (dir / "ZelvanPack.DES").string() + "\", NULL, 0x2) = NULL (ERROR_MOD_NOT_FOUND)");
    EXPECT_EQ(tried[2], "LoadLibraryExA(\"" + (dir / "ZelvanPack.DE").string() + "\", NULL, 0x2) = ZelvanPack.DE (data)");
}

TEST_F(LocalisationTest, AnotherLanguageOrNoneKeepsThePackagesOwnResources) {
    fs::copy_file(GermanResources(), dir / "ZelvanPack.DEU");
    EXPECT_EQ(DescriptionWith("fr_FR.UTF-8"), "Kesmet TZelvan Component");
    EXPECT_TRUE(own);
    hosted::ClearJournal();
    EXPECT_EQ(DescriptionWith(nullptr), "Kesmet TZelvan Component");
    EXPECT_TRUE(own);
    // No language, nothing looked for.
    EXPECT_EQ(hosted::JournalOf("LoadLibraryExA").size(), 1u);
}

} // namespace
} // namespace packagetest
