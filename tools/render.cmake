# tonalix-render: renders a formula offline or plays it on the sound device,
# measures and draws it.
add_library(renderPlay STATIC ${CMAKE_CURRENT_LIST_DIR}/renderPlay.cpp)
target_include_directories(renderPlay PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(renderPlay PUBLIC audio platformWaveOut platformMessageWindow)

# The libraries of the measuring, the pictures, the file formats and the
# resampling: Debian's on Linux; on Windows the same versions built from
# Debian's sources and linked statically (cmake/windowsLibraries.cmake).
if(WIN32)
  include(${PROJECT_SOURCE_DIR}/cmake/windowsLibraries.cmake)
else()
  tonalixFindModule(libfftw3-dev fftw3)
  tonalixFindModule(libcairo2-dev cairo)
  tonalixFindModule(libsndfile1-dev sndfile)
  tonalixFindModule(libsoxr-dev soxr)
  add_library(renderLibraries INTERFACE)
  target_link_libraries(renderLibraries INTERFACE PkgConfig::fftw3 PkgConfig::cairo PkgConfig::sndfile PkgConfig::soxr)
endif()

# The command line and the compile report, also for the fuzz target.
add_library(renderArguments STATIC
  ${CMAKE_CURRENT_LIST_DIR}/renderArguments.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderHelp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderCompile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printable.cpp)
target_include_directories(renderArguments PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(renderArguments PUBLIC audio formula)

add_executable(tonalix-render
  ${CMAKE_CURRENT_LIST_DIR}/render.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderOutput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderFormats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderSignal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderSoundFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderResample.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderSpectrum.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderAnalysis.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderWaveform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderPlot.cpp
  ${CMAKE_CURRENT_LIST_DIR}/renderMeasure.cpp)
target_link_libraries(tonalix-render PRIVATE renderArguments renderPlay audio formula platformFiles renderLibraries)
if(WIN32)
  install(TARGETS tonalix-render RUNTIME DESTINATION .)    # beside tonalix.exe in the release ZIP
else()
  install(TARGETS tonalix-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
