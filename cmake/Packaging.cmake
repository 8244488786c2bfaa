# A Debian package made by CPack from the install rules of every folder:
#   cpack --config build/<preset>/CPackConfig.cmake -G DEB   (scripts/package.sh)
include(GNUInstallDirs)

if(UNIX AND NOT APPLE)
  # What Debian expects of every package: its copyright and a compressed changelog.
  set(doc ${CMAKE_INSTALL_DATADIR}/doc/sievra)
  set(changelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
  add_custom_command(
    OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog > ${changelog}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog
    VERBATIM)
  add_custom_target(sievra-changelog ALL DEPENDS ${changelog})
  install(FILES packaging/copyright ${changelog} DESTINATION ${doc})
endif()

set(CPACK_PACKAGE_NAME sievra)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_VENDOR "Sievra Dev")
set(CPACK_PACKAGE_CONTACT "Sievra Dev <dev@sievra.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remove duplicate lines from text files and packet-radio logs")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # sievra_1.0.0_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "remove duplicate lines from text files and packet-radio logs
Sievra writes each distinct line of a text file once, in the order it
first occurs. For packet-radio monitor logs it keeps only the frames of
a target callsign, treats frames with the same payload as duplicates
whatever their header, and can cut the digipeater path.
.
The package holds the Sievra window and sievra-cli, the same filter as a
command for scripts and pipelines.")
include(CPack)
