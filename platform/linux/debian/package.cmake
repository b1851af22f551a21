# The Debian package: `cpack -G DEB` in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr makes tonalix_<version>_amd64.deb from the
# install rules, with the manual pages, the copyright file and the changelog
# added here.  Included from the top level on Linux only.
set(debianSource ${CMAKE_CURRENT_LIST_DIR})
set(debianBuild ${PROJECT_BINARY_DIR}/debian)
set(debianDocDir ${CMAKE_INSTALL_DATADIR}/doc/tonalix)

# Manual pages and the changelog are installed compressed, as Debian wants
# them: gzip -9n keeps neither a name nor a time stamp, so the package is the
# same from one build to the next.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(debianCompressed "")
foreach(source tonalix.1 tonalix-render.1 changelog)
  set(output ${debianBuild}/${source}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${debianBuild}
    COMMAND ${GZIP_PROGRAM} -9n -c ${debianSource}/${source} > ${output}
    DEPENDS ${debianSource}/${source}
    COMMENT "Compressing ${source}")
  list(APPEND debianCompressed ${output})
endforeach()
add_custom_target(debian-files ALL DEPENDS ${debianCompressed})

if(TONALIX_GUI)
  install(FILES ${debianBuild}/tonalix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${debianBuild}/tonalix-render.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${debianSource}/copyright ${debianBuild}/changelog.gz DESTINATION ${debianDocDir})

if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(STATUS "tonalix: the install prefix is ${CMAKE_INSTALL_PREFIX}; configure with "
                 "-DCMAKE_INSTALL_PREFIX=/usr to make the Debian package")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tonalix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tonalix developers <maintainers@users.noreply.c-seed-3304ada9.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tone generator that plays a waveform typed as a formula")
# The help page's address and the desktop entry's folder are fixed when the
# build is configured, so the package installs where the build was told to.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries from dpkg-shlibdeps; at run time the window also needs ALSA's
# plugins (the default device leads to the desktop's sound server through
# them) and the Japanese UI font the window is laid out from.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libasound2-plugins, fonts-noto-cjk")
file(READ ${debianSource}/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
include(CPack)
