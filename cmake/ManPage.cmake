# Writes the man page of a tool from the tool's own help, run at build time,
# so that the page says what the tool does and cannot drift from it:
#   cmake -DTOOL=path -DNAME=zelvan -DSUMMARY="..." -DVERSION=0.1.0 -DOUTPUT=zelvan.1 -P ManPage.cmake
# DESCRIPTION is `TOOL --help`; COMMANDS holds `TOOL COMMAND --help` for each
# command that help lists (its two-space lines led by a lowercase word that
# is not the tool's name, which are the examples).

# The help text as roff lines shown as they are: backslashes escaped, and a
# line that roff would take as a request guarded.
function(roff_verbatim text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REGEX REPLACE "\n+$" "" text "${text}")
  # A blank line inside .nf is kept as an empty request, which lint accepts.
  string(REGEX REPLACE "\n\n" "\n.sp\n" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(help_of out)
  execute_process(COMMAND "${TOOL}" ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

help_of(overview)
if(overview STREQUAL "")
  message(FATAL_ERROR "${TOOL} --help failed")
endif()
string(TOUPPER "${NAME}" title)
# The day the page was made (SOURCE_DATE_EPOCH, when set, for a build that
# must come out the same).
string(TIMESTAMP day "%Y-%m-%d" UTC)
roff_verbatim("${overview}" description)
set(page ".TH ${title} 1 ${day} \"Zelvan ${VERSION}\" \"User Commands\"
.SH NAME
${NAME} \\- ${SUMMARY}
.SH SYNOPSIS
.B ${NAME}
.RI [ OPTIONS ]
.I COMMAND
.RI [ OPERANDS ]
.br
.B ${NAME}
.B \\-\\-help | \\-\\-version
.SH DESCRIPTION
.nf
${description}
.fi
.SH COMMANDS
")
string(REPLACE "\n" ";" lines "${overview}")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^  ([a-z][a-z0-9-]*)( |$)")
    continue()
  endif()
  set(command "${CMAKE_MATCH_1}")
  if(command STREQUAL NAME)
    continue()
  endif()
  help_of(help ${command})
  if(help STREQUAL "")
    message(FATAL_ERROR "${TOOL} ${command} --help failed")
  endif()
  roff_verbatim("${help}" help)
  string(APPEND page ".SS ${command}\n.nf\n${help}\n.fi\n")
endforeach()
file(WRITE "${OUTPUT}" "${page}")
