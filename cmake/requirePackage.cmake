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
