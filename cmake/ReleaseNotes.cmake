# SPDX-License-Identifier: GPL-3.0-or-later
# Turns CHANGELOG.md into the Debian changelog of the native package and into the release list
# of the AppStream metainfo, so the version history is written once.
#
# cmake -DCHANGELOG=CHANGELOG.md -DVERSION=1.2.3 -DPACKAGE=name -DMAINTAINER="Name <mail>"
#       -DDEBIAN_OUT=changelog -DMETAINFO_IN=x.metainfo.xml.in -DMETAINFO_OUT=x.metainfo.xml
#       -P ReleaseNotes.cmake
#
# CHANGELOG.md holds "## VERSION - YYYY-MM-DD" headings, newest first, each followed by "- "
# items whose continuation lines are indented by two spaces.

foreach(var CHANGELOG VERSION PACKAGE MAINTAINER DEBIAN_OUT METAINFO_IN METAINFO_OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ReleaseNotes.cmake: ${var} is not set")
  endif()
endforeach()

# RFC 2822 date at noon UTC, the form dpkg-parsechangelog expects; `minute` minutes past noon, so
# that of several releases on one day each is later than the one before.
function(rfc2822_date iso minute out)
  string(REGEX MATCH "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$" ok "${iso}")
  if(NOT ok)
    message(FATAL_ERROR "CHANGELOG.md: \"${iso}\" is not a date in the form YYYY-MM-DD")
  endif()
  math(EXPR y "${CMAKE_MATCH_1}")
  math(EXPR m "${CMAKE_MATCH_2}")
  math(EXPR d "${CMAKE_MATCH_3}")
  if(m LESS 1 OR m GREATER 12 OR d LESS 1 OR d GREATER 31)
    message(FATAL_ERROR "CHANGELOG.md: \"${iso}\" is not a date")
  endif()
  # Sakamoto's weekday formula: 0 is Sunday.
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR index "${m} - 1")
  list(GET offsets ${index} offset)
  set(yy ${y})
  if(m LESS 3)
    math(EXPR yy "${y} - 1")
  endif()
  math(EXPR weekday "(${yy} + ${yy} / 4 - ${yy} / 100 + ${yy} / 400 + ${offset} + ${d}) % 7")
  set(days Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET days ${weekday} day_name)
  list(GET months ${index} month_name)
  if(minute GREATER 59)
    message(FATAL_ERROR "CHANGELOG.md: more than 60 releases on ${iso}")
  elseif(minute LESS 10)
    set(minute "0${minute}")
  endif()
  set(${out} "${day_name}, ${CMAKE_MATCH_3} ${month_name} ${CMAKE_MATCH_1} 12:${minute}:00 +0000"
      PARENT_SCOPE)
endfunction()

function(xml_escape text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(READ "${CHANGELOG}" text)
string(REPLACE "\r" "" text "${text}")

set(debian "")
set(releases "")
set(version "")
set(newest "")
set(item "")
set(item_count 0)

# Writes the item read so far into both outputs. Text is handled as one string, never as a
# CMake list, so semicolons and brackets in it come through unchanged.
macro(finish_item)
  if(NOT item STREQUAL "")
    string(REPLACE "\n" "\n    " debian_item "${item}")
    string(APPEND debian "  * ${debian_item}\n")
    string(REPLACE "\n" " " joined "${item}")
    xml_escape("${joined}" joined)
    string(APPEND releases "          <li>${joined}</li>\n")
    math(EXPR item_count "${item_count} + 1")
    set(item "")
  endif()
endmacro()

macro(finish_version)
  finish_item()
  if(NOT version STREQUAL "")
    if(item_count EQUAL 0)
      message(FATAL_ERROR "CHANGELOG.md: version ${version} lists no changes")
    endif()
    rfc2822_date("${date}" ${same_day_before} stamp)
    string(APPEND debian "\n -- ${MAINTAINER}  ${stamp}\n\n")
    string(APPEND releases "        </ul>\n      </description>\n    </release>\n")
  endif()
endmacro()

while(NOT text STREQUAL "")
  string(FIND "${text}" "\n" end)
  if(end EQUAL -1)
    set(line "${text}")
    set(text "")
  else()
    string(SUBSTRING "${text}" 0 ${end} line)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${text}" ${end} -1 text)
  endif()
  # Markdown code marks mean nothing in either output.
  string(REPLACE "`" "" line "${line}")
  if(line MATCHES "^## ([^ ]+) - (.+)$")
    finish_version()
    set(version "${CMAKE_MATCH_1}")
    set(date "${CMAKE_MATCH_2}")
    set(item_count 0)
    # Older releases of the same day, below this one.
    string(REGEX MATCHALL "\n## [^ \n]+ - ${date}\n" same_day "\n${text}")
    list(LENGTH same_day same_day_before)
    if(newest STREQUAL "")
      set(newest "${version}")
    endif()
    string(APPEND debian "${PACKAGE} (${version}) unstable; urgency=medium\n\n")
    string(APPEND releases "    <release version=\"${version}\" date=\"${date}\">\n"
                           "      <description>\n        <ul>\n")
  elseif(version STREQUAL "")
    # The title and the notes above the first version.
  elseif(line MATCHES "^- (.*)$")
    finish_item()
    set(item "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^  +([^ ].*)$" AND NOT item STREQUAL "")
    string(APPEND item "\n${CMAKE_MATCH_1}")
  elseif(NOT line MATCHES "^ *$")
    message(FATAL_ERROR "CHANGELOG.md: cannot read the line \"${line}\" of version ${version}")
  endif()
endwhile()
finish_version()

if(NOT newest STREQUAL VERSION)
  message(FATAL_ERROR "CHANGELOG.md: the newest version is \"${newest}\", "
                      "but the project is at ${VERSION}; describe this version first")
endif()

string(REGEX REPLACE "\n+$" "\n" debian "${debian}")
file(WRITE "${DEBIAN_OUT}" "${debian}")

file(READ "${METAINFO_IN}" metainfo)
string(REGEX REPLACE "\n$" "" releases "${releases}")
string(REPLACE "@QUILLO_RELEASES@" "${releases}" metainfo "${metainfo}")
file(WRITE "${METAINFO_OUT}" "${metainfo}")
