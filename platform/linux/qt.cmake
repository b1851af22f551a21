# The Qt window backend, the Linux desktop services and the tonalix program,
# with its install rules.  Left out with -DTONALIX_GUI=OFF.
if(TONALIX_GUI)
  tonalixFindPackage(qt6-base-dev Qt6 COMPONENTS Widgets)

  # The window layer: the platform/window.h mapping (qtWindow.cpp), the
  # messages (qtMessages.cpp), the dialog builder and the drawing of its
  # controls (qtDialogBuilder.cpp, qtWidgets.cpp).
  add_library(qtWindow STATIC
    ${CMAKE_CURRENT_LIST_DIR}/qtWindow.cpp ${CMAKE_CURRENT_LIST_DIR}/qtMessages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qtDialogBuilder.cpp ${CMAKE_CURRENT_LIST_DIR}/qtWidgets.cpp)
  target_include_directories(qtWindow PUBLIC ${PROJECT_SOURCE_DIR})
  # Images are looked for next to the installed program first, then in the
  # source tree, so a build runs without being installed.
  target_compile_definitions(qtWindow PRIVATE TONALIX_SOURCE_RESOURCES="${PROJECT_SOURCE_DIR}/res")
  target_link_libraries(qtWindow PUBLIC Qt6::Widgets res)
  # Qt's keywords (slots, signals, emit) would clash with the core's names,
  # such as the stream's slots.
  target_compile_definitions(qtWindow PUBLIC QT_NO_KEYWORDS)

  add_library(qtSystem STATIC ${CMAKE_CURRENT_LIST_DIR}/qtSystem.cpp)
  target_include_directories(qtSystem PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(qtSystem PUBLIC Qt6::Widgets)
  target_compile_definitions(qtSystem PUBLIC QT_NO_KEYWORDS)

  add_executable(tonalix ${CMAKE_CURRENT_LIST_DIR}/qtMain.cpp)
  target_link_libraries(tonalix PRIVATE app ui res audio formula qtWindow qtSystem alsaWaveOut)
  # scripts/run.sh starts it from here, the folder that also holds the help page
  set_target_properties(tonalix PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/app)

  # The program icon for the desktop's icon theme, made from the icon resource
  # at the theme's usual sizes.
  add_executable(tonalix-icon-export ${CMAKE_CURRENT_LIST_DIR}/qtIconExport.cpp)
  target_link_libraries(tonalix-icon-export PRIVATE Qt6::Gui)
  file(GLOB appIcon CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/ico104.ico)
  if(appIcon)
    set(iconPngs "")
    foreach(size 16 22 24 32 48 64 128 256)
      set(iconPng ${PROJECT_BINARY_DIR}/app/icons/${size}x${size}/tonalix.png)
      add_custom_command(OUTPUT ${iconPng}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/app/icons/${size}x${size}
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                $<TARGET_FILE:tonalix-icon-export> ${appIcon} ${iconPng} ${size}
        DEPENDS tonalix-icon-export ${appIcon}
        COMMENT "Making the program icon, ${size} pixels")
      list(APPEND iconPngs ${iconPng})
      install(FILES ${iconPng} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(tonalix-icon ALL DEPENDS ${iconPngs})
  endif()
  # The same design drawn as lines, for any size.
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/tonalix.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  install(TARGETS tonalix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The desktop entry starts the program in the folder of the help page
  # (res/CMakeLists.txt installs it there), which it opens as ./index.html.
  # That is the program's data folder, not the documentation folder, which
  # a system may leave out when it installs packages.
  file(READ ${CMAKE_CURRENT_LIST_DIR}/tonalix.desktop desktopEntry)
  file(WRITE ${PROJECT_BINARY_DIR}/tonalix.desktop
       "${desktopEntry}Path=${CMAKE_INSTALL_PREFIX}/${TONALIX_HELP_DIR}\n")
  install(FILES ${PROJECT_BINARY_DIR}/tonalix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  file(GLOB images CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/*.bmp ${PROJECT_SOURCE_DIR}/res/*.ico)
  if(images)
    install(FILES ${images} DESTINATION ${CMAKE_INSTALL_DATADIR}/tonalix)
  endif()
endif()
