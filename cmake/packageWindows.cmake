# The release packages of the Windows build.
#
# Both carry the licence, COPYING, and THIRD-PARTY.txt, the notices of the
# libraries that the statically linked programs hold.  These two and the
# ZIP's readme are written here with Windows line ends, and THIRD-PARTY.txt
# without the "#" lines at its top, which are for those who keep it.
set(readmeFile ${PROJECT_BINARY_DIR}/README.txt)
set(licenceFile ${PROJECT_BINARY_DIR}/COPYING)
set(thirdPartyFile ${PROJECT_BINARY_DIR}/THIRD-PARTY.txt)
foreach(pair "platform/win32/README.txt;${readmeFile}" "COPYING;${licenceFile}"
             "platform/win32/THIRD-PARTY.txt;${thirdPartyFile}")
  list(GET pair 0 source)
  list(GET pair 1 output)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${source})
  file(READ ${PROJECT_SOURCE_DIR}/${source} text)
  string(REGEX REPLACE "^(#[^\n]*\n)+\n?" "" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${output}.new "${text}")
  file(COPY_FILE ${output}.new ${output} ONLY_IF_DIFFERENT)
  file(REMOVE ${output}.new)
endforeach()

# The ZIP, the portable choice: the two programs, the help page, a short
# readme and the two licence files in one folder.  cpack -G ZIP in
# build-windows/ makes it.
install(FILES ${readmeFile} ${licenceFile} ${thirdPartyFile} DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tonalix)
set(CPACK_PACKAGE_VENDOR "The Tonalix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME tonalix-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
include(CPack)

# The installer, tonalix-<version>-windows-x64-setup.exe, written by makensis
# from platform/win32/installer.nsi: cmake --build build-windows --target
# installer.
tonalixRequireProgram(nsis TONALIX_MAKENSIS makensis)
set(installerScript ${PROJECT_SOURCE_DIR}/platform/win32/installer.nsi)
set(installerFile ${PROJECT_BINARY_DIR}/tonalix-${PROJECT_VERSION}-windows-x64-setup.exe)
add_custom_command(OUTPUT ${installerFile}
  COMMAND ${TONALIX_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DPROGRAM=$<TARGET_FILE:tonalix>
          -DRENDERER=$<TARGET_FILE:tonalix-render> -DHELP_PAGE=${PROJECT_SOURCE_DIR}/res/index.html
          -DICON=${PROJECT_SOURCE_DIR}/res/ico104.ico -DLICENCE=${licenceFile} -DTHIRD_PARTY=${thirdPartyFile}
          -DOUTFILE=${installerFile} ${installerScript}
  DEPENDS tonalix tonalix-render ${installerScript} ${PROJECT_SOURCE_DIR}/res/index.html
          ${PROJECT_SOURCE_DIR}/res/ico104.ico ${licenceFile} ${thirdPartyFile}
  COMMENT "Writing the installer with makensis" VERBATIM)
add_custom_target(installer DEPENDS ${installerFile})
