# The libraries of the Windows renderer: FFTW, cairo (with pixman and
# libpng), libsndfile (with FLAC, Ogg, Vorbis and Opus) and libsoxr, built
# from Debian 12's source packages by scripts/windows-libraries.sh into the
# prefix named after scripts/windows-libraries.txt, with zlib from Debian's
# libz-mingw-w64-dev.  Defines renderLibraries, an interface target that
# links them all statically.
file(STRINGS ${PROJECT_SOURCE_DIR}/scripts/windows-libraries.txt windowsLibraryRows REGEX "^[^#]")
set(windowsLibrariesName "")
foreach(row ${windowsLibraryRows})
  string(REGEX REPLACE "^([^ ]+) +([^ ]+).*" "\\1-\\2" entry "${row}")
  if(windowsLibrariesName)
    string(APPEND windowsLibrariesName "_")
  endif()
  string(APPEND windowsLibrariesName "${entry}")
endforeach()
set(TONALIX_WINDOWS_LIBRARIES /var/cache/tonalix/windows-libraries/${windowsLibrariesName}
    CACHE PATH "The prefix of the Windows renderer's libraries (scripts/windows-libraries.sh)")
if(NOT EXISTS ${TONALIX_WINDOWS_LIBRARIES}/complete)
  message(FATAL_ERROR "tonalix: the Windows renderer's libraries are missing from ${TONALIX_WINDOWS_LIBRARIES}; "
                      "scripts/install-deps.sh --windows builds them")
endif()
tonalixRequireFile(libz-mingw-w64-dev /usr/x86_64-w64-mingw32/lib/libz.a)

# pkg-config of the prefix and of the cross compiler's own folder only, and
# the flags of a static link (every library the static ones need after them).
if(NOT PkgConfig_FOUND)
  tonalixFindPackage(pkg-config PkgConfig)
endif()
set(ENV{PKG_CONFIG_LIBDIR} "${TONALIX_WINDOWS_LIBRARIES}/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
pkg_check_modules(windowsRender REQUIRED fftw3 cairo sndfile soxr)
add_library(renderLibraries INTERFACE)
target_include_directories(renderLibraries SYSTEM INTERFACE ${windowsRender_STATIC_INCLUDE_DIRS})
target_compile_options(renderLibraries INTERFACE ${windowsRender_STATIC_CFLAGS_OTHER})
# The static libraries name each other in both directions, so they are
# linked as one group.  Cairo's Win32 surfaces and fonts draw through GDI and
# blend with AlphaBlend; its build checks its buffers (libssp, GCC's own).
set(windowsRenderLinkLine -L${TONALIX_WINDOWS_LIBRARIES}/lib -L/usr/x86_64-w64-mingw32/lib)
foreach(flag ${windowsRender_STATIC_LDFLAGS})
  if(flag MATCHES "^-l" AND NOT flag IN_LIST windowsRenderLinkLine)
    list(APPEND windowsRenderLinkLine ${flag})
  endif()
endforeach()
target_link_libraries(renderLibraries INTERFACE -Wl,--start-group ${windowsRenderLinkLine} -lgdi32 -lmsimg32 -lssp
                      -Wl,--end-group)
