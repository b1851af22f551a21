# The open-file dialog held in memory, for tests.
add_library(fakeFileDialog STATIC ${CMAKE_CURRENT_LIST_DIR}/fakeFileDialog.cpp)
target_include_directories(fakeFileDialog PUBLIC ${PROJECT_SOURCE_DIR})
