# The AppStream metadata that software centres read: installed as
# share/metainfo/<id>.metainfo.xml beside the desktop entry it names, so only
# with the window.  Its newest release must be the project's version, or the
# package would describe another one.
if(TONALIX_GUI)
  set(metainfoSource ${CMAKE_CURRENT_LIST_DIR}/tonalix.metainfo.xml)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${metainfoSource})
  file(READ ${metainfoSource} metainfo)
  string(REGEX MATCH "<id>([^<]+)</id>" found "${metainfo}")
  set(metainfoId ${CMAKE_MATCH_1})
  string(REGEX MATCH "<release version=\"([^\"]+)\"" found "${metainfo}")
  if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "tonalix: the newest release in ${metainfoSource} is '${CMAKE_MATCH_1}', "
                        "not ${PROJECT_VERSION}: add a <release> entry for it")
  endif()
  install(FILES ${metainfoSource} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME ${metainfoId}.metainfo.xml)
endif()
