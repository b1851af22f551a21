# The release packages of the Windows build.
#
# The ZIP, the portable choice: the two programs, the help page and a short
# readme in one folder.  cpack -G ZIP in build-windows/ makes it.
install(FILES ${PROJECT_SOURCE_DIR}/platform/win32/README.txt DESTINATION .)
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
          -DICON=${PROJECT_SOURCE_DIR}/res/ico104.ico -DOUTFILE=${installerFile} ${installerScript}
  DEPENDS tonalix tonalix-render ${installerScript} ${PROJECT_SOURCE_DIR}/res/index.html
          ${PROJECT_SOURCE_DIR}/res/ico104.ico
  COMMENT "Writing the installer with makensis" VERBATIM)
add_custom_target(installer DEPENDS ${installerFile})
