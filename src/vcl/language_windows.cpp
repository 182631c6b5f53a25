#include "vcl/language.h"
#include "win32/win32.h"

namespace vcl {

std::string UserLanguageAbbreviation() {
    char text[16];
    return GetLocaleInfoA(GetThreadLocale(), LOCALE_SABBREVLANGNAME, text, sizeof text) ? text : "";
}

} // namespace vcl
