# Makes wine_departures.h from wine_departures.txt: for each row NAME | WORDS,
# the constant wine_departures::NAME holding WORDS (cmake -P). Variables:
# TABLE, OUT.
cmake_minimum_required(VERSION 3.20)
# The words hold semicolons, which a CMake list would split at: they travel
# as a placeholder.
file(READ ${TABLE} table)
string(REPLACE ";" "<semicolon>" table "${table}")
string(REPLACE "\n" ";" rows "${table}")
set(constants "")
foreach(row IN LISTS rows)
  string(REPLACE "<semicolon>" ";" row "${row}")
  if(row MATCHES "^#" OR row STREQUAL "")
    continue()
  endif()
  if(NOT row MATCHES "^([A-Za-z0-9]+) \\| (.+)$")
    message(FATAL_ERROR "${TABLE}: '${row}' is not NAME | WORDS")
  endif()
  string(REPLACE "\"" "\\\"" words "${CMAKE_MATCH_2}")
  string(APPEND constants "inline constexpr char ${CMAKE_MATCH_1}[] = \"${words}\";\n")
endforeach()
set(header "// Where Wine 8 departs from Windows. Made from wine_departures.txt.
#pragma once

namespace wine_departures {
${constants}} // namespace wine_departures
")
if(EXISTS ${OUT})
  file(READ ${OUT} old)
endif()
if(NOT old STREQUAL header)
  file(WRITE ${OUT} "${header}")
endif()
