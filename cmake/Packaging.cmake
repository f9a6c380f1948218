# Release packages: a .deb and a .tar.gz from the Linux build, a .zip from
# the Windows build. Each holds the program, the README, the licence and the
# notices of the web libraries that the page embeds.
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

set(CPACK_PACKAGE_NAME findlet)
set(CPACK_PACKAGE_VENDOR "The Findlet developers")
set(CPACK_PACKAGE_CONTACT "The Findlet developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Writes one self-contained searchable web page listing a folder tree")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Findlet walks a folder and its sub-folders and writes search.html into it: "
  "one page, with its own style sheet and scripts, that lists every file (or "
  "those matching filter words) with a link and its size, and hides the rows "
  "that do not match what is typed into its search field.")
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
