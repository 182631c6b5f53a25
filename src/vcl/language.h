// The user's language, as Windows abbreviates it for file names of
// localised resources (LOCALE_SABBREVLANGNAME): "DEU" for German in
// Germany, "DES" in Switzerland, "ENU" for English in the United States.
#pragma once

#include <string>

namespace vcl {

// Empty when the language is unknown or none is set. Windows: the thread
// locale. Elsewhere: the POSIX locale of messages in the environment
// (LC_ALL, then LC_MESSAGES, then LANG), "de_DE.UTF-8" being German in
// Germany; a language without its territory takes its main one.
std::string UserLanguageAbbreviation();

} // namespace vcl
