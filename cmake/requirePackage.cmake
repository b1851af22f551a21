# tonalixFindPackage(DEBIAN_PACKAGE NAME ARGS...) finds a package like
# find_package(NAME ARGS...) and stops the configure step, naming the Debian
# package to install, when it is missing: a missing library must never leave
# a program or a suite out in silence.
macro(tonalixFindPackage debianPackage name)
  find_package(${name} ${ARGN})
  if(NOT ${name}_FOUND)
    message(FATAL_ERROR "tonalix: ${name} is missing; install Debian's ${debianPackage} "
                        "(scripts/install-deps.sh installs everything the build needs)")
  endif()
endmacro()

# tonalixRequireFile(DEBIAN_PACKAGE PATH) stops the configure step, naming the
# Debian package to install, when PATH does not exist.
function(tonalixRequireFile debianPackage path)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "tonalix: ${path} is missing; install Debian's ${debianPackage} "
                        "(scripts/install-deps.sh installs everything the build needs)")
  endif()
endfunction()

# tonalixFindModule(DEBIAN_PACKAGE MODULE) finds a pkg-config module as the
# imported target PkgConfig::MODULE, seen by every folder, and stops the
# configure step, naming the Debian package to install, when it is missing.
macro(tonalixFindModule debianPackage module)
  if(NOT PkgConfig_FOUND)
    tonalixFindPackage(pkg-config PkgConfig)
  endif()
  pkg_check_modules(${module} IMPORTED_TARGET GLOBAL ${module})
  if(NOT ${module}_FOUND)
    message(FATAL_ERROR "tonalix: ${module} is missing; install Debian's ${debianPackage} "
                        "(scripts/install-deps.sh installs everything the build needs)")
  endif()
endmacro()

# tonalixRequireProgram(DEBIAN_PACKAGE VARIABLE NAME) finds program NAME into
# VARIABLE like find_program and stops the configure step, naming the Debian
# package to install, when it is missing.
function(tonalixRequireProgram debianPackage variable name)
  find_program(${variable} ${name})
  if(NOT ${variable})
    message(FATAL_ERROR "tonalix: ${name} is missing; install Debian's ${debianPackage} "
                        "(scripts/install-deps.sh installs everything the build needs)")
  endif()
endfunction()
