#include "vcl/language.h"

#include "win32/locales.h"

namespace vcl {

std::string UserLanguageAbbreviation() {
    const win32::Locale* locale = win32::LocaleOfPosixName(win32::MessagesLocale());
    return locale ? std::string(locale->abbreviation) : std::string();
}

} // namespace vcl
