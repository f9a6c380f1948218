# Assembles the page texts (light head, dark head, the tails shared by both) from
# the page sources in page/, the web libraries in vendor/ and the logos in logo/,
# and writes them as zero-terminated char arrays into one C++ file.
#
#   cmake -DTEMPLATES_DIR=<templates folder> -DOUTPUT=<file.cpp> -P AssembleTemplates.cmake
#
# Everything is built with LF line ends first; the light head gets CR LF at the
# very end. The sizes, line ends and placeholders of the result are checked by
# tests/unit/PageTemplatesTest.cpp; this script stops only where it cannot
# assemble: a vendor file that is not the released one, or an input that is
# not shaped as the assembly expects.
cmake_minimum_required(VERSION 3.25)

foreach(var TEMPLATES_DIR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "AssembleTemplates: -D${var}=... is required")
  endif()
endforeach()

function(fail text)
  message(FATAL_ERROR "page templates: ${text}")
endfunction()

# replace_once(var what needle replacement): replaces the one occurrence of
# needle in the variable var; fails naming `what` unless there is exactly one.
function(replace_once var what needle replacement)
  string(FIND "${${var}}" "${needle}" first)
  string(FIND "${${var}}" "${needle}" last REVERSE)
  if(first EQUAL -1)
    fail("${what}: edit target not found: \"${needle}\"")
  elseif(NOT first EQUAL last)
    fail("${what}: edit target found more than once: \"${needle}\"")
  endif()
  string(REPLACE "${needle}" "${replacement}" result "${${var}}")
  set(${var} "${result}" PARENT_SCOPE)
endfunction()

# read_text(var path): reads a text file whole. file(READ) drops a CR before
# LF silently, so a text that comes out shorter than its file is refused: the
# inputs use LF line ends only.
function(read_text var path)
  file(READ "${path}" text)
  file(SIZE "${path}" file_size)
  string(LENGTH "${text}" text_size)
  if(NOT file_size EQUAL text_size)
    fail("${path} holds a CR or a zero byte; the inputs use LF line ends only")
  endif()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

# --- Vendor files: exactly the released library files ------------------------

set(vendor_dir "${TEMPLATES_DIR}/vendor")
file(STRINGS "${vendor_dir}/SHA256SUMS" manifest_lines)
foreach(name bootstrap.min.css bootstrap.min.js jquery.min.js)
  set(expected "")
  foreach(line IN LISTS manifest_lines)
    if(line MATCHES "^([0-9a-f]+) [ *](.+)$" AND CMAKE_MATCH_2 STREQUAL name)
      set(expected "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  if(expected STREQUAL "")
    fail("vendor/SHA256SUMS has no line for ${name}")
  endif()
  file(SHA256 "${vendor_dir}/${name}" actual)
  if(NOT actual STREQUAL expected)
    fail("vendor/${name} has SHA-256 ${actual}, but vendor/SHA256SUMS expects "
         "${expected}; restore it with tools/fetch-vendor.sh --replace")
  endif()
endforeach()

# --- Page sources -------------------------------------------------------------

foreach(name comment frame style-end body-open logo heading tail)
  read_text(page_${name} "${TEMPLATES_DIR}/page/${name}.html")
endforeach()

# Pieces that stand inside a line of the page: their files end with a line
# feed of their own, which is not part of the piece.
function(read_piece var path)
  read_text(text "${path}")
  if(NOT text MATCHES "\n$")
    fail("${path} must end with a line feed")
  endif()
  string(REGEX REPLACE "\n$" "" text "${text}")
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

read_piece(footer "${TEMPLATES_DIR}/page/footer.html")
read_piece(search "${TEMPLATES_DIR}/page/search.js")
read_text(large "${TEMPLATES_DIR}/page/large.html")
read_text(large_script "${TEMPLATES_DIR}/page/large.js")

# --- Style sheet: without its source-map comment, and its dark edits ---------

read_text(css "${vendor_dir}/bootstrap.min.css")
set(source_map "\n/*# sourceMappingURL=bootstrap.min.css.map */")
if(NOT css MATCHES "\n/\\*# sourceMappingURL=bootstrap\\.min\\.css\\.map \\*/$")
  fail("vendor/bootstrap.min.css does not end with its source-map comment")
endif()
replace_once(css "style sheet source-map comment" "${source_map}" "")
string(APPEND css "\n")

# apply_edits(var file): applies the edits of page/<file> to the sheet in the
# variable var: a "from: " line and a "to: " line each. The text is walked
# line by line without CMake lists, which would split the style rules at
# their semicolons.
function(apply_edits var file)
  read_text(edits "${TEMPLATES_DIR}/page/${file}")
  set(sheet "${${var}}")
  set(from_text "")
  while(NOT edits STREQUAL "")
    string(FIND "${edits}" "\n" end)
    if(end EQUAL -1)
      string(LENGTH "${edits}" end)
    endif()
    string(SUBSTRING "${edits}" 0 ${end} line)
    math(EXPR next "${end} + 1")
    string(SUBSTRING "${edits}" ${next} -1 edits)
    string(REPLACE "\\n" "\n" value "${line}")
    if(line MATCHES "^from: ")
      string(SUBSTRING "${value}" 6 -1 from_text)
    elseif(line MATCHES "^to: " AND NOT from_text STREQUAL "")
      string(SUBSTRING "${value}" 4 -1 to_text)
      replace_once(sheet "page/${file}" "${from_text}" "${to_text}")
      set(from_text "")
    elseif(NOT line MATCHES "^(#.*)?$")
      fail("page/${file}: not a from line followed by a to line: ${line}")
    endif()
  endwhile()
  set(${var} "${sheet}" PARENT_SCOPE)
endfunction()

# Each theme's sheet is the library's with that theme's edits.
set(dark_css "${css}")
apply_edits(dark_css dark-theme.txt)
apply_edits(css light-theme.txt)

# --- Scripts ------------------------------------------------------------------

# jQuery: banner line, code line, then two blanks, a line end and an empty line.
read_text(jquery "${vendor_dir}/jquery.min.js")
if(NOT jquery MATCHES "^/\\*![^\n]*\\*/\n[^\n]+\n$")
  fail("vendor/jquery.min.js is not a banner line and a code line")
endif()
string(REGEX REPLACE "\n$" "  \n\n" jquery "${jquery}")

# Bootstrap script: five banner lines, the code, then two blanks and a line end.
read_text(bootstrap_js "${vendor_dir}/bootstrap.min.js")
if(NOT bootstrap_js MATCHES "^/\\*!\n[^\n]*\n[^\n]*\n[^\n]*\n \\*/\n[^\n]+$")
  fail("vendor/bootstrap.min.js is not five banner lines and a code line")
endif()
string(APPEND bootstrap_js "  \n")

# --- Logos as base64 data ---------------------------------------------------

# Base64 works on 12 bits (three hex digits) at a time through a table of all
# 4096 values, so that a logo takes one list walk.
set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
set(hex_digits 0 1 2 3 4 5 6 7 8 9 a b c d e f)
foreach(a RANGE 15)
  list(GET hex_digits ${a} da)
  foreach(b RANGE 15)
    list(GET hex_digits ${b} db)
    math(EXPR high "${a} * 4 + ${b} / 4")
    string(SUBSTRING "${alphabet}" ${high} 1 ch)
    foreach(c RANGE 15)
      list(GET hex_digits ${c} dc)
      math(EXPR low "(${b} % 4) * 16 + ${c}")
      string(SUBSTRING "${alphabet}" ${low} 1 cl)
      set(b64_${da}${db}${dc} "${ch}${cl}")
    endforeach()
  endforeach()
endforeach()

# logo_line(out name): the img line of logo/<name>: standard base64 (RFC 4648)
# of the file, no line breaks, in place of @LOGO_BASE64@ in page/logo.html.
function(logo_line out name)
  file(READ "${TEMPLATES_DIR}/logo/${name}" hex HEX)
  string(REGEX MATCHALL "[0-9a-f][0-9a-f][0-9a-f]" groups "${hex}")
  string(LENGTH "${hex}" digits)
  math(EXPR rest "${digits} % 3")
  math(EXPR whole "${digits} - ${rest}")
  string(SUBSTRING "${hex}" ${whole} -1 tail_digits)
  set(data "")
  foreach(group IN LISTS groups)
    string(APPEND data "${b64_${group}}")
  endforeach()
  if(rest EQUAL 2) # one byte left over
    string(APPEND data "${b64_${tail_digits}0}==")
  elseif(rest EQUAL 1) # two bytes left over: the last digit gives one more character
    string(SUBSTRING "${b64_${tail_digits}00}" 0 1 last)
    string(APPEND data "${last}=")
  endif()
  set(line "${page_logo}")
  replace_once(line "page/logo.html" "@LOGO_BASE64@" "${data}")
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

logo_line(light_logo logo-light.jpg)
logo_line(dark_logo logo-dark.jpg)

# --- The texts --------------------------------------------------------------

# The table form's tail: the footer and the search script in the tail's frame.
# Pages declare utf-8: the script compares the typed text and each row's text
# in Unicode NFC.
set(tail "${page_tail}")
replace_once(tail "page/tail.html" "@FOOTER@" "${footer}")
replace_once(tail "page/tail.html" "@SEARCH@" "${search}")

# The large-listing form's tail, in two: what comes before the data (the end
# of the empty table and the script that draws rows from the data) and after
# it (the footer and the end of the page).
replace_once(large "page/large.html" "@SCRIPT@" "${large_script}")
replace_once(large "page/large.html" "@FOOTER@" "${footer}")
string(FIND "${large}" "@DATA@" data_at)
if(data_at EQUAL -1)
  fail("page/large.html has no @DATA@")
endif()
string(SUBSTRING "${large}" 0 ${data_at} large_open)
math(EXPR data_end "${data_at} + 6")
string(SUBSTRING "${large}" ${data_end} -1 large_close)

set(head_start "${page_comment}${page_frame}")
set(head_scripts "${page_style-end}${jquery}${bootstrap_js}${page_body-open}")
set(light_head "${head_start}${css}${head_scripts}${light_logo}${page_heading}")
set(dark_head "${head_start}${dark_css}${head_scripts}${dark_logo}${page_heading}")
string(REPLACE "\n" "\r\n" light_head "${light_head}")

# --- The C++ file -------------------------------------------------------------

# byte_array(out name text): a zero-terminated char array, 16 bytes a line.
function(byte_array out name text)
  string(HEX "${text}" hex)
  string(LENGTH "${text}" size)
  string(REPEAT "[0-9a-f]" 32 line_of_16_bytes)
  string(REGEX REPLACE "(${line_of_16_bytes})" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  set(${out} "// ${size} bytes and the terminating zero.\nconst char ${name}[] = {\n${bytes}\n0x00};\n"
      PARENT_SCOPE)
endfunction()

byte_array(light_array kLightHead "${light_head}")
byte_array(dark_array kDarkHead "${dark_head}")
byte_array(tail_array kTail "${tail}")
byte_array(large_open_array kLargeOpen "${large_open}")
byte_array(large_close_array kLargeClose "${large_close}")

file(WRITE "${OUTPUT}" "\
// Generated by templates/AssembleTemplates.cmake from templates/page/,
// templates/vendor/ and templates/logo/. Edit those, not this file.
#include \"templates/PageTemplates.h\"

namespace {

${light_array}
${dark_array}
${tail_array}
${large_open_array}
${large_close_array}
}  // namespace

constinit const PageTemplate LightPageTemplate{kLightHead, kTail};
constinit const PageTemplate DarkPageTemplate{kDarkHead, kTail};
constinit const LargeListingTemplate LargeListing{kLargeOpen, kLargeClose};
")
