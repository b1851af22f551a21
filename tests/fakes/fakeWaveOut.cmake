# The scripted wave-output device.  postMessage comes from the test binary.
add_library(fakeWaveOut STATIC ${CMAKE_CURRENT_LIST_DIR}/fakeWaveOut.cpp)
target_include_directories(fakeWaveOut PUBLIC ${PROJECT_SOURCE_DIR})
