# The Win32 window layer (dialogs, controls, timers, message windows) with the
# open-file dialog, the desktop services and the wave output.
add_library(win32Window STATIC ${CMAKE_CURRENT_LIST_DIR}/win32Window.cpp ${CMAKE_CURRENT_LIST_DIR}/win32FileDialog.cpp)
target_include_directories(win32Window PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(win32Window PUBLIC win32Text comctl32 comdlg32 gdi32 user32)
add_library(platformMessageWindow ALIAS win32Window)

add_library(win32System STATIC ${CMAKE_CURRENT_LIST_DIR}/win32System.cpp)
target_include_directories(win32System PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(win32System PUBLIC win32Text shell32 advapi32)

add_library(win32WaveOut STATIC ${CMAKE_CURRENT_LIST_DIR}/win32WaveOut.cpp ${CMAKE_CURRENT_LIST_DIR}/win32ProcessExit.cpp)
target_include_directories(win32WaveOut PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(win32WaveOut PUBLIC deviceCore winmm)
add_library(platformWaveOut ALIAS win32WaveOut)
