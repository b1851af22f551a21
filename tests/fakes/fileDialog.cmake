# The open-file dialog held in memory, for tests.  It belongs to the window
# system, so every test that takes the in-memory window takes it too.
add_library(fakeFileDialog STATIC ${CMAKE_CURRENT_LIST_DIR}/fakeFileDialog.cpp)
target_include_directories(fakeFileDialog PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(fakeWindow PUBLIC fakeFileDialog)
