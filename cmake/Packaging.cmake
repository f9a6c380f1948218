# Release packages: a .deb and a .tar.gz from the Linux build, a .zip from
# the Windows build. Each holds the program, the README, the licence and the
# notices of the web libraries that the page embeds; the Linux packages also
# hold the manual page, the Debian changelog and the Debian copyright file.
#   cpack --preset default    (after building the default preset)
#   cpack --preset windows    (after building the windows preset)

if(WIN32)
  # Everything at the top of the archive, next to findlet.exe.
  set(FINDLET_BIN_DIR .)
  set(FINDLET_DOC_DIR .)
else()
  include(GNUInstallDirs)
  set(FINDLET_BIN_DIR ${CMAKE_INSTALL_BINDIR})
  set(FINDLET_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/findlet)
endif()

install(TARGETS findlet RUNTIME DESTINATION ${FINDLET_BIN_DIR})
install(
  FILES README.md LICENSE THIRD-PARTY-NOTICES.md templates/vendor/LICENSE.bootstrap
        templates/vendor/LICENSE.jquery
  DESTINATION ${FINDLET_DOC_DIR})

set(FINDLET_MAINTAINER "The Findlet developers <findlet@findlet.example>")

if(NOT WIN32)
  # The manual page and the changelog carry the project version, filled in
  # here. The changelog entry is dated when the build is configured, or by
  # SOURCE_DATE_EPOCH when that is set, for packages that a rebuild of the
  # same sources must repeat byte for byte.
  string(TIMESTAMP FINDLET_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(docs/findlet.1.in findlet.1 @ONLY)
  configure_file(cmake/debian/changelog.in changelog @ONLY)

  # Both compressed as Debian wants them: gzip -9, without the name and time
  # stamp that would make each build's bytes differ.
  find_program(FINDLET_GZIP gzip REQUIRED)
  foreach(document findlet.1 changelog)
    add_custom_command(
      OUTPUT ${document}.gz
      COMMAND ${FINDLET_GZIP} -9 -n -c ${document} > ${document}.gz
      DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${document}
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
      VERBATIM)
  endforeach()
  add_custom_target(findlet_documents ALL DEPENDS findlet.1.gz changelog.gz)

  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/findlet.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz cmake/debian/copyright
          DESTINATION ${FINDLET_DOC_DIR})
endif()

set(CPACK_PACKAGE_NAME findlet)
set(CPACK_PACKAGE_VENDOR "The Findlet developers")
set(CPACK_PACKAGE_CONTACT "${FINDLET_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Writes one self-contained searchable web page listing a folder tree")
# Lines of at most 80 characters, as Debian's package descriptions want.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Findlet walks a folder and its sub-folders and writes search.html into\n"
  "it: one page, with its own style sheet and scripts, that lists every\n"
  "file (or those matching filter words) with a link and its size, and\n"
  "hides the rows that do not match what is typed into its search field.\n"
  "The page opens from disk in a browser, with no server.")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES /build/ /\\\\.git/)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR DEB TGZ)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  # The library dependencies (libc6, libstdc++6, libgcc-s1) are read from the
  # built binary.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
