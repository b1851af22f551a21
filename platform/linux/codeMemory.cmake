# Pages for the formula engine's machine code.
add_library(codeMemory STATIC ${CMAKE_CURRENT_LIST_DIR}/posixCodeMemory.cpp)
target_include_directories(codeMemory PUBLIC ${PROJECT_SOURCE_DIR})
