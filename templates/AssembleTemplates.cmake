# Assembles the page texts (light head, dark head, one tail shared by both) from
# the page sources in page/, the web libraries in vendor/ and the logos in logo/,
# checks them, and writes them as zero-terminated char arrays into one C++ file.
#
#   cmake -DTEMPLATES_DIR=<templates folder> -DOUTPUT=<file.cpp> -P AssembleTemplates.cmake
#
# Everything is built with LF line ends first; the light head gets CR LF at the
# very end. Any surprise in the inputs stops the build with a message that names
# the input.
cmake_minimum_required(VERSION 3.25)

foreach(var TEMPLATES_DIR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "AssembleTemplates: -D${var}=... is required")
  endif()
endforeach()

function(fail text)
  message(FATAL_ERROR "page templates: ${text}")
endfunction()

# count_of(out text needle): number of non-overlapping occurrences of needle.
function(count_of out text needle)
  string(LENGTH "${text}" before)
  string(REPLACE "${needle}" "" rest "${text}")
  string(LENGTH "${rest}" after)
  string(LENGTH "${needle}" width)
  math(EXPR n "(${before} - ${after}) / ${width}")
  set(${out} ${n} PARENT_SCOPE)
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

# expect_size(what text light dark): checks an item's length with LF line ends
# (dark) and with CR LF line ends (light: one more byte per line end). A light
# or dark size of "-" is not checked.
function(expect_size what text light dark)
  string(LENGTH "${text}" lf_size)
  count_of(line_ends "${text}" "\n")
  math(EXPR crlf_size "${lf_size} + ${line_ends}")
  if(light STREQUAL "-")
    set(light ${crlf_size})
  endif()
  if(dark STREQUAL "-")
    set(dark ${lf_size})
  endif()
  if(NOT lf_size EQUAL dark OR NOT crlf_size EQUAL light)
    fail("${what} is ${crlf_size} / ${lf_size} bytes (light / dark), expected ${light} / ${dark}")
  endif()
endfunction()

# read_text(var path what): reads a text file that must hold no CR, tab or zero
# byte (file(READ) would drop a CR before LF silently, so the raw bytes are
# checked first).
function(read_text var path what)
  file(READ "${path}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\1 " hex "${hex}")
  foreach(byte 0d 09 00)
    string(FIND " ${hex}" " ${byte} " at)
    if(NOT at EQUAL -1)
      fail("${what} holds the byte ${byte} (CR, tab or zero); the inputs use LF line ends only")
    endif()
  endforeach()
  file(READ "${path}" text)
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

# read_source(var name lines): reads page/<name>, which must hold `lines` lines,
# each ending with LF, no CR and no tab.
function(read_source var name lines)
  read_text(text "${TEMPLATES_DIR}/page/${name}" "page/${name}")
  count_of(n "${text}" "\n")
  string(LENGTH "${text}" size)
  math(EXPR last "${size} - 1")
  string(SUBSTRING "${text}" ${last} 1 end)
  if(NOT n EQUAL lines OR NOT end STREQUAL "\n")
    fail("page/${name} must be ${lines} line(s), each ending with LF")
  endif()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

read_source(comment comment.html 1)
read_source(frame frame.html 5)
read_source(style_end style-end.html 1)
read_source(body_open body-open.html 1)
read_source(logo_template logo.html 1)
read_source(heading heading.html 1)
read_source(tail tail.html 1)

if(NOT comment MATCHES "^<!--.*-->\n$")
  fail("page/comment.html must be one HTML comment")
endif()

# --- Style sheet: without its source-map comment ------------------------------

read_text(css "${vendor_dir}/bootstrap.min.css" "vendor/bootstrap.min.css")
set(source_map "\n/*# sourceMappingURL=bootstrap.min.css.map */")
string(LENGTH "${css}" css_size)
string(LENGTH "${source_map}" source_map_size)
string(FIND "${css}" "${source_map}" at REVERSE)
math(EXPR expected_at "${css_size} - ${source_map_size}")
if(NOT at EQUAL expected_at)
  fail("vendor/bootstrap.min.css does not end with its source-map comment")
endif()
replace_once(css "style sheet source-map comment" "${source_map}" "")
string(APPEND css "\n")

# The dark sheet: five colour values, with line breaks around the edits.
set(dark_css "${css}")
replace_once(dark_css "dark body colours"
  ";color:#333;background-color:#fff}button,input,select,textarea{"
  ";\n color:#D8FFE3;background-color:#08040F}\n button,input,select,textarea{")
replace_once(dark_css "dark link colour"
  "}a{color:#337ab7;text-decoration:none}a:focus,a:hover{"
  "}\n a{color:#BBBBBB;text-decoration:none}\n a:focus,a:hover{")
replace_once(dark_css "dark info link hover colour"
  "a.text-info:focus,a.text-info:hover{color:#245269}"
  "a.text-info:focus,a.text-info:hover{color:#995269}")
replace_once(dark_css "dark striped row background"
  ".table-striped>tbody>tr:nth-of-type(odd){background-color:#f9f9f9}"
  ".table-striped>tbody>tr:nth-of-type(odd){\n    background-color:#04080F\n    }")

# --- Scripts ------------------------------------------------------------------

# jQuery: banner line, code line, then two blanks, a line end and an empty line.
read_text(jquery "${vendor_dir}/jquery.min.js" "vendor/jquery.min.js")
count_of(n "${jquery}" "\n")
if(NOT n EQUAL 2 OR NOT jquery MATCHES "^/\\*![^\n]*\\*/\n[^\n]+\n$")
  fail("vendor/jquery.min.js is not a banner line and a code line")
endif()
string(REGEX REPLACE "\n$" "  \n\n" jquery "${jquery}")

# Bootstrap script: five banner lines, the code, then two blanks and a line end.
read_text(bootstrap_js "${vendor_dir}/bootstrap.min.js" "vendor/bootstrap.min.js")
count_of(n "${bootstrap_js}" "\n")
if(NOT n EQUAL 5 OR NOT bootstrap_js MATCHES "^/\\*!\n.*\n \\*/\n[^\n]+$")
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

# base64_of_file(out path): standard base64 (RFC 4648) of a file, no line breaks.
function(base64_of_file out path)
  file(READ "${path}" hex HEX)
  string(REGEX MATCHALL "[0-9a-f][0-9a-f][0-9a-f]" groups "${hex}")
  string(LENGTH "${hex}" digits)
  math(EXPR rest "${digits} % 3")
  math(EXPR whole "${digits} - ${rest}")
  string(SUBSTRING "${hex}" ${whole} -1 tail_digits)
  set(text "")
  foreach(group IN LISTS groups)
    string(APPEND text "${b64_${group}}")
  endforeach()
  if(rest EQUAL 2) # one byte left over
    string(APPEND text "${b64_${tail_digits}0}==")
  elseif(rest EQUAL 1) # two bytes left over: the last digit gives one more character
    string(SUBSTRING "${b64_${tail_digits}00}" 0 1 last)
    string(APPEND text "${last}=")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# logo_line(out name): the img line of logo/<name>, a JPEG with a JFIF header.
function(logo_line out name)
  set(path "${TEMPLATES_DIR}/logo/${name}")
  file(READ "${path}" start LIMIT 11 HEX)
  if(NOT start STREQUAL "ffd8ffe000104a46494600")
    fail("logo/${name} does not begin like a JFIF JPEG file")
  endif()
  base64_of_file(data "${path}")
  set(line "${logo_template}")
  replace_once(line "page/logo.html" "@LOGO_BASE64@" "${data}")
  string(LENGTH "${data}" data_size)
  math(EXPR light "33 + ${data_size} + 27 + 2")
  math(EXPR dark "33 + ${data_size} + 27 + 1")
  expect_size("the logo line of logo/${name}" "${line}" ${light} ${dark})
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

logo_line(light_logo logo-light.jpg)
logo_line(dark_logo logo-dark.jpg)

# --- The fixed items --------------------------------------------------------

expect_size("the document frame (page/frame.html)" "${frame}" 177 172)
expect_size("the light style sheet" "${css}" 121417 -)
expect_size("the dark style sheet" "${dark_css}" - 121436)
expect_size("the line after the style sheet (page/style-end.html)" "${style_end}" 18 17)
expect_size("the jQuery item" "${jquery}" 89482 89479)
expect_size("the Bootstrap script item" "${bootstrap_js}" 39689 39683)
expect_size("the body opening (page/body-open.html)" "${body_open}" 122 121)
expect_size("the heading (page/heading.html)" "${heading}" 392 391)

# --- The texts --------------------------------------------------------------

set(head_start "${comment}${frame}")
set(head_scripts "${style_end}${jquery}${bootstrap_js}${body_open}")
set(light_head "${head_start}${css}${head_scripts}${light_logo}${heading}")
set(dark_head "${head_start}${dark_css}${head_scripts}${dark_logo}${heading}")
string(REPLACE "\n" "\r\n" light_head "${light_head}")

# check_text(what text line_end line_ends titles dates)
function(check_text what text line_end line_ends titles dates)
  count_of(n "${text}" "${line_end}")
  if(NOT n EQUAL line_ends)
    fail("the ${what} has ${n} line ends, expected ${line_ends}")
  endif()
  count_of(lf "${text}" "\n")
  count_of(cr "${text}" "\r")
  if(line_end STREQUAL "\n")
    set(crs 0)
  else()
    set(crs ${line_ends})
  endif()
  if(NOT lf EQUAL line_ends OR NOT cr EQUAL crs)
    fail("the ${what} has a CR or LF outside its line ends")
  endif()
  count_of(n "${text}" "^TITLE^")
  count_of(m "${text}" "^DATE^")
  if(NOT n EQUAL titles OR NOT m EQUAL dates)
    fail("the ${what} holds ${n} ^TITLE^ and ${m} ^DATE^, expected ${titles} and ${dates}")
  endif()
endfunction()

check_text("light head" "${light_head}" "\r\n" 24 2 0)
check_text("dark head" "${dark_head}" "\n" 30 2 0)
check_text("tail" "${tail}" "\n" 1 0 1)
if(NOT tail MATCHES "^</tbody>")
  fail("the tail must begin with </tbody>")
endif()

# --- The C++ file -------------------------------------------------------------

# byte_array(out name what text allowed_controls): a zero-terminated char array with
# 16 bytes a line. Fails unless every byte is printable ASCII or one of the
# allowed control bytes (a regex class of hex digits: "a" for LF, "ad" for LF
# and CR).
function(byte_array out name what text allowed_controls)
  string(HEX "${text}" hex)
  string(LENGTH "${text}" size)
  string(REPEAT "[0-9a-f]" 32 line_of_16_bytes)
  string(REGEX REPLACE "(${line_of_16_bytes})" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  if(bytes MATCHES "0x([89a-f].|7f|1.|0[^${allowed_controls}]),")
    fail("the ${what} holds the byte ${CMAKE_MATCH_1}, which is not printable ASCII")
  endif()
  set(${out} "// ${size} bytes and the terminating zero.\nconst char ${name}[] = {\n${bytes}\n0x00};\n"
      PARENT_SCOPE)
endfunction()

byte_array(light_array kLightHead "light head" "${light_head}" "ad")
byte_array(dark_array kDarkHead "dark head" "${dark_head}" "a")
byte_array(tail_array kTail "tail" "${tail}" "a")

file(WRITE "${OUTPUT}" "\
// Generated by templates/AssembleTemplates.cmake from templates/page/,
// templates/vendor/ and templates/logo/. Edit those, not this file.
#include \"templates/PageTemplates.h\"

namespace {

${light_array}
${dark_array}
${tail_array}
}  // namespace

constinit const PageTemplate LightPageTemplate{kLightHead, kTail};
constinit const PageTemplate DarkPageTemplate{kDarkHead, kTail};
")
