# tonalix-render: renders a formula offline or plays it on the sound device.
add_library(renderPlay STATIC ${CMAKE_CURRENT_LIST_DIR}/renderPlay.cpp)
target_include_directories(renderPlay PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(renderPlay PUBLIC audio platformWaveOut platformMessageWindow)

# The command line and the compile report, also for the fuzz target.
add_library(renderArguments STATIC
  ${CMAKE_CURRENT_LIST_DIR}/renderArguments.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderCompile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printable.cpp)
target_include_directories(renderArguments PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(renderArguments PUBLIC audio formula)

add_executable(tonalix-render
  ${CMAKE_CURRENT_LIST_DIR}/render.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderOutput.cpp)
target_link_libraries(tonalix-render PRIVATE renderArguments renderPlay audio formula platformFiles)
if(WIN32)
  install(TARGETS tonalix-render RUNTIME DESTINATION .)    # beside tonalix.exe in the release ZIP
else()
  install(TARGETS tonalix-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
