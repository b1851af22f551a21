# tonalix-make-resources draws the bitmaps and icons in res/.  Its output is
# committed; run it by hand to change a picture:
#   build/tools/tonalix-make-resources res
if(TONALIX_GUI)
  tonalixFindPackage(qt6-base-dev Qt6 COMPONENTS Gui)
  add_executable(tonalix-make-resources ${CMAKE_CURRENT_LIST_DIR}/makeResources.cpp)
  target_link_libraries(tonalix-make-resources PRIVATE Qt6::Gui)
endif()
