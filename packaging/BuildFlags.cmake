# Debian's hardening flags (fortified functions, stack protector, read-only
# relocations bound at start) from dpkg-buildflags, for builds that may end up
# in a package. Sanitizer and fuzz builds keep their own flags.
if(SIGNSEEK_SANITIZE OR SIGNSEEK_FUZZ)
  set(signseek_hardening_default OFF)
else()
  find_program(SIGNSEEK_DPKG_BUILDFLAGS_PROGRAM dpkg-buildflags)
  if(SIGNSEEK_DPKG_BUILDFLAGS_PROGRAM)
    set(signseek_hardening_default ON)
  else()
    set(signseek_hardening_default OFF)
  endif()
endif()
option(SIGNSEEK_HARDENING "Compile and link with dpkg-buildflags' hardening flags" ${signseek_hardening_default})

if(SIGNSEEK_HARDENING)
  find_program(SIGNSEEK_DPKG_BUILDFLAGS_PROGRAM dpkg-buildflags REQUIRED)
  function(signseek_buildflags variable out)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${SIGNSEEK_DPKG_BUILDFLAGS_PROGRAM} --get ${variable}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    # The build type chooses optimisation and debug information; the prefix
    # map would give every worktree its own compiler cache entries.
    list(FILTER flags EXCLUDE REGEX "^(-O[0-9s]?|-g|-ffile-prefix-map=.*)$")
    set(${out} ${flags} PARENT_SCOPE)
  endfunction()
  signseek_buildflags(CPPFLAGS cppflags)
  signseek_buildflags(CXXFLAGS cxxflags)
  signseek_buildflags(CFLAGS cflags)
  signseek_buildflags(LDFLAGS ldflags)
  add_compile_options(${cppflags} "$<$<COMPILE_LANGUAGE:CXX>:${cxxflags}>" "$<$<COMPILE_LANGUAGE:C>:${cflags}>")
  add_link_options(${ldflags})
endif()
