# The window layer and the desktop services held in memory, for tests.
add_library(fakeWindow STATIC ${CMAKE_CURRENT_LIST_DIR}/fakeWindow.cpp)
target_include_directories(fakeWindow PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(fakeWindow PUBLIC res)

add_library(fakeSystem STATIC ${CMAKE_CURRENT_LIST_DIR}/fakeSystem.cpp)
target_include_directories(fakeSystem PUBLIC ${PROJECT_SOURCE_DIR})
