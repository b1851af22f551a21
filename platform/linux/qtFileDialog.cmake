# The open-file dialog of the data-file chooser: Qt's file dialog.
if(TONALIX_GUI)
  add_library(qtFileDialog STATIC ${CMAKE_CURRENT_LIST_DIR}/qtFileDialog.cpp)
  target_include_directories(qtFileDialog PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(qtFileDialog PUBLIC qtWindow Qt6::Widgets)
  target_link_libraries(tonalix PRIVATE qtFileDialog)
endif()
