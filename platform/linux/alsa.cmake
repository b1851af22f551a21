# The wave-output operations on ALSA.
tonalixFindPackage(libasound2-dev ALSA)
find_package(Threads REQUIRED)
add_library(alsaWaveOut STATIC ${CMAKE_CURRENT_LIST_DIR}/alsaWaveOut.cpp ${CMAKE_CURRENT_LIST_DIR}/alsaDevice.cpp)
target_include_directories(alsaWaveOut PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(alsaWaveOut PUBLIC deviceCore ALSA::ALSA Threads::Threads)
# The names the programs link, whatever the platform.
add_library(platformWaveOut ALIAS alsaWaveOut)
