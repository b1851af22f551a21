# The open-file dialog of the data-file chooser, Qt's file dialog, is part of
# the Qt window backend: whatever takes the Qt window takes it too.
if(TONALIX_GUI)
  target_sources(qtWindow PRIVATE ${CMAKE_CURRENT_LIST_DIR}/qtFileDialog.cpp)
endif()
