# The release ZIP of the Windows build: the two programs, the help page and a
# short readme, in one folder.  cpack -G ZIP in build-windows/ makes it.
install(FILES ${PROJECT_SOURCE_DIR}/platform/win32/README.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tonalix)
set(CPACK_PACKAGE_VENDOR "The Tonalix developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME tonalix-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
include(CPack)
