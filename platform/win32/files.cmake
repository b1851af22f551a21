# The UTF-8 / UTF-16 conversions of every Windows backend, and opening files
# by UTF-8 paths.
add_library(win32Text STATIC ${CMAKE_CURRENT_LIST_DIR}/win32Text.cpp)
target_include_directories(win32Text PUBLIC ${PROJECT_SOURCE_DIR})

add_library(platformFiles STATIC ${CMAKE_CURRENT_LIST_DIR}/win32Files.cpp)
target_include_directories(platformFiles PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(platformFiles PUBLIC win32Text shell32)
