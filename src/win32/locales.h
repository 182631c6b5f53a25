// The locales of the languages Windows is localised for, as Windows numbers
// and abbreviates them (LOCALE_SABBREVLANGNAME), with the POSIX name of
// each: the hosted PC takes a thread's locale from the environment by
// them, and the runtime names a localised resource module by their
// abbreviation.
#pragma once

#include <cstdlib>
#include <string_view>

#include "win32/win32.h"

namespace win32 {

struct Locale {
    std::string_view language;  // ISO 639-1
    std::string_view territory; // ISO 3166-1; a language's first row is its main territory
    LANGID id;
    std::string_view abbreviation;
};

inline constexpr Locale locales[] = {
    {"cs", "CZ", 0x0405, "CSY"}, {"da", "DK", 0x0406, "DAN"}, {"de", "DE", 0x0407, "DEU"},
    {"de", "AT", 0x0C07, "DEA"}, {"de", "CH", 0x0807, "DES"}, {"de", "LI", 0x1407, "DEC"},
    {"de", "LU", 0x1007, "DEL"}, {"el", "GR", 0x0408, "ELL"}, {"en", "US", 0x0409, "ENU"},
    {"en", "AU", 0x0C09, "ENA"}, {"en", "CA", 0x1009, "ENC"}, {"en", "GB", 0x0809, "ENG"},
    {"en", "IE", 0x1809, "ENI"}, {"en", "NZ", 0x1409, "ENZ"}, {"en", "ZA", 0x1C09, "ENS"},
    {"es", "ES", 0x0C0A, "ESN"}, {"es", "MX", 0x080A, "ESM"}, {"fi", "FI", 0x040B, "FIN"},
    {"fr", "FR", 0x040C, "FRA"}, {"fr", "BE", 0x080C, "FRB"}, {"fr", "CA", 0x0C0C, "FRC"},
    {"fr", "CH", 0x100C, "FRS"}, {"fr", "LU", 0x140C, "FRL"}, {"hu", "HU", 0x040E, "HUN"},
    {"is", "IS", 0x040F, "ISL"}, {"it", "IT", 0x0410, "ITA"}, {"it", "CH", 0x0810, "ITS"},
    {"ja", "JP", 0x0411, "JPN"}, {"ko", "KR", 0x0412, "KOR"}, {"nb", "NO", 0x0414, "NOR"},
    {"nl", "NL", 0x0413, "NLD"}, {"nl", "BE", 0x0813, "NLB"}, {"no", "NO", 0x0414, "NOR"},
    {"pl", "PL", 0x0415, "PLK"}, {"pt", "PT", 0x0816, "PTG"}, {"pt", "BR", 0x0416, "PTB"},
    {"ru", "RU", 0x0419, "RUS"}, {"sk", "SK", 0x041B, "SKY"}, {"sv", "SE", 0x041D, "SVE"},
    {"tr", "TR", 0x041F, "TRK"}, {"zh", "CN", 0x0804, "CHS"}, {"zh", "TW", 0x0404, "CHT"},
};

// The locale of a POSIX locale name, language[_TERRITORY][.codeset][@modifier]
// ("de_DE.UTF-8" is German in Germany); a language without its territory, or
// with one not listed, takes its main one. nullptr when the language is not
// listed.
constexpr const Locale* LocaleOfPosixName(std::string_view name) {
    name = name.substr(0, name.find_first_of(".@"));
    const std::string_view language = name.substr(0, name.find('_'));
    const std::string_view territory = language.size() < name.size() ? name.substr(language.size() + 1) : "";
    const Locale* main = nullptr;
    for (const Locale& locale : locales) {
        if (locale.language != language) continue;
        if (locale.territory == territory) return &locale;
        if (!main) main = &locale;
    }
    return main;
}

// The POSIX locale of messages in the environment: LC_ALL, then
// LC_MESSAGES, then LANG; empty when none is set.
inline std::string_view MessagesLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(variable); value && *value) return value;
    return {};
}

} // namespace win32
