# tonalix.exe: the resource script written from the tables in res/ by a tool
# built for this machine, compiled in with windres, and the program itself.

# The tool runs here, not on Windows, so the compiler of this machine builds it.
find_program(TONALIX_HOST_CXX NAMES g++ c++ REQUIRED)
set(makeRc ${CMAKE_CURRENT_BINARY_DIR}/tonalix-make-rc)
set(makeRcSources ${CMAKE_CURRENT_LIST_DIR}/makeResourceScript.cpp ${PROJECT_SOURCE_DIR}/res/layout.cpp
                  ${PROJECT_SOURCE_DIR}/res/strings.cpp)
add_custom_command(OUTPUT ${makeRc}
  COMMAND ${TONALIX_HOST_CXX} -std=c++20 -O1 -I${PROJECT_SOURCE_DIR}
          "-DTONALIX_HELP_PAGE_URL=\"${TONALIX_HELP_PAGE_URL}\"" ${makeRcSources} -o ${makeRc}
  DEPENDS ${makeRcSources} ${PROJECT_SOURCE_DIR}/res/layout.h ${PROJECT_SOURCE_DIR}/res/resource.h
          ${PROJECT_SOURCE_DIR}/res/strings.h
  COMMENT "Building the resource-script writer for this machine" VERBATIM)

set(resourceScript ${CMAKE_CURRENT_BINARY_DIR}/tonalix.rc)
set(manifest ${CMAKE_CURRENT_LIST_DIR}/tonalix.manifest)
file(GLOB resourceImages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/*.bmp ${PROJECT_SOURCE_DIR}/res/*.ico)
add_custom_command(OUTPUT ${resourceScript}
  COMMAND ${makeRc} ${PROJECT_SOURCE_DIR}/res ${manifest} ${resourceScript}
  DEPENDS ${makeRc} ${manifest} ${resourceImages}
  COMMENT "Writing the resource script from the resource tables" VERBATIM)

# The compiled resources, shared by the program and the tests of its dialogs.
add_library(win32Resources OBJECT ${resourceScript})

add_executable(tonalix WIN32 ${CMAKE_CURRENT_LIST_DIR}/win32Main.cpp $<TARGET_OBJECTS:win32Resources>)
target_link_libraries(tonalix PRIVATE app ui res audio formula win32Window win32System win32WaveOut)
set_target_properties(tonalix PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/app)
install(TARGETS tonalix RUNTIME DESTINATION .)
