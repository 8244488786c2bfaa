# A Debian package made by CPack from the install rules of every folder:
#   cpack --preset release   (scripts/package.sh)
include(GNUInstallDirs)

if(UNIX AND NOT APPLE)
  # Debian wants manual pages and the changelog compressed, the copyright as it is.
  function(sievra_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(gz ${CMAKE_CURRENT_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(
      OUTPUT ${gz}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
      COMMAND gzip -9n -c ${source} > ${gz}
      DEPENDS ${source}
      VERBATIM)
    add_custom_target(sievra-gzip-${name} ALL DEPENDS ${gz})
    install(FILES ${gz} DESTINATION ${destination})
  endfunction()
  if(TARGET Sievra)
    sievra_install_gzipped(${CMAKE_CURRENT_SOURCE_DIR}/ui/resources/Sievra.1
                           ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
  sievra_install_gzipped(${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog
                         ${CMAKE_INSTALL_DATADIR}/doc/sievra)
  install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sievra)
endif()

set(CPACK_PACKAGE_NAME sievra)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_VENDOR "The Sievra developers")
set(CPACK_PACKAGE_CONTACT "Sievra developers <dev@sievra.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remove duplicate lines from text files and packet-radio logs")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # sievra_1.0.0_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The synopsis line comes from the summary above; this is the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Sievra writes each distinct line of a text file once, in the order it
first occurs. For packet-radio monitor logs it keeps only the frames of
a target callsign, treats frames with the same payload as duplicates
whatever their header, and can cut the digipeater path.
.
The package holds the Sievra window and sievra-cli, the same filter as a
command for scripts and pipelines.")
include(CPack)
