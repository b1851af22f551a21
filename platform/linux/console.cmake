# The message-only window backend of the command-line programs.
find_package(Threads REQUIRED)
add_library(consoleWindow STATIC ${CMAKE_CURRENT_LIST_DIR}/consoleWindow.cpp)
target_include_directories(consoleWindow PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(consoleWindow PUBLIC Threads::Threads)
add_library(platformMessageWindow ALIAS consoleWindow)
