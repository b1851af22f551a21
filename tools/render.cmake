# tonalix-render: renders a formula offline or plays it on the sound device.
if(NOT TARGET platformWaveOut OR NOT TARGET platformMessageWindow)
  return()
endif()
add_library(renderPlay STATIC ${CMAKE_CURRENT_LIST_DIR}/renderPlay.cpp)
target_include_directories(renderPlay PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(renderPlay PUBLIC audio platformWaveOut platformMessageWindow)

add_executable(tonalix-render
  ${CMAKE_CURRENT_LIST_DIR}/render.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderCompile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderOutput.cpp)
target_link_libraries(tonalix-render PRIVATE renderPlay audio formula platformFiles)
install(TARGETS tonalix-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
