#include "vcl/language.h"

#include <cstdlib>
#include <string_view>

namespace vcl {

namespace {

struct Abbreviation {
    std::string_view language;  // ISO 639-1
    std::string_view territory; // ISO 3166-1; a language's first row is its main territory
    std::string_view windows;
};

// Windows's abbreviations of the languages it localises for.
constexpr Abbreviation abbreviations[] = {
    {"cs", "CZ", "CSY"}, {"da", "DK", "DAN"}, {"de", "DE", "DEU"}, {"de", "AT", "DEA"}, {"de", "CH", "DES"},
    {"de", "LI", "DEC"}, {"de", "LU", "DEL"}, {"el", "GR", "ELL"}, {"en", "US", "ENU"}, {"en", "AU", "ENA"},
    {"en", "CA", "ENC"}, {"en", "GB", "ENG"}, {"en", "IE", "ENI"}, {"en", "NZ", "ENZ"}, {"en", "ZA", "ENS"},
    {"es", "ES", "ESN"}, {"es", "MX", "ESM"}, {"fi", "FI", "FIN"}, {"fr", "FR", "FRA"}, {"fr", "BE", "FRB"},
    {"fr", "CA", "FRC"}, {"fr", "CH", "FRS"}, {"fr", "LU", "FRL"}, {"hu", "HU", "HUN"}, {"is", "IS", "ISL"},
    {"it", "IT", "ITA"}, {"it", "CH", "ITS"}, {"ja", "JP", "JPN"}, {"ko", "KR", "KOR"}, {"nb", "NO", "NOR"},
    {"nl", "NL", "NLD"}, {"nl", "BE", "NLB"}, {"no", "NO", "NOR"}, {"pl", "PL", "PLK"}, {"pt", "PT", "PTG"},
    {"pt", "BR", "PTB"}, {"ru", "RU", "RUS"}, {"sk", "SK", "SKY"}, {"sv", "SE", "SVE"}, {"tr", "TR", "TRK"},
    {"zh", "CN", "CHS"}, {"zh", "TW", "CHT"},
};

std::string_view MessagesLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(variable); value && *value) return value;
    return {};
}

} // namespace

std::string UserLanguageAbbreviation() {
    // language[_TERRITORY][.codeset][@modifier]
    std::string_view locale = MessagesLocale();
    locale = locale.substr(0, locale.find_first_of(".@"));
    const std::string_view language = locale.substr(0, locale.find('_'));
    const std::string_view territory =
        language.size() < locale.size() ? locale.substr(language.size() + 1) : std::string_view();
    const Abbreviation* main = nullptr;
    for (const Abbreviation& entry : abbreviations) {
        if (entry.language != language) continue;
        if (entry.territory == territory) return std::string(entry.windows);
        if (!main) main = &entry;
    }
    return main ? std::string(main->windows) : std::string();
}

} // namespace vcl
