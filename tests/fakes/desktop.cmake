# The recording fake of the desktop services (opener, program start, file
# dialog).
add_library(fakeDesktop STATIC ${CMAKE_CURRENT_LIST_DIR}/fakeDesktop.cpp)
target_include_directories(fakeDesktop PUBLIC ${PROJECT_SOURCE_DIR})
