# Opening files by UTF-8 paths.
add_library(platformFiles STATIC ${CMAKE_CURRENT_LIST_DIR}/posixFiles.cpp)
target_include_directories(platformFiles PUBLIC ${PROJECT_SOURCE_DIR})
