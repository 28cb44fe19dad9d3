# What a Windows build (cmake/mingw-w64-*.cmake) leaves out of its libraries and test programs:
# the Linux sides of what Windows does by its own means, and tests that call POSIX functions
# themselves. A program listed in ZEV_WINDOWS_PENDING_PROGRAMS is left out of the default build
# (`cmake --build DIR --target NAME` still shows what it lacks). Paths are relative to the
# source root.
set(ZEV_WINDOWS_PENDING
  # Linux sides of what Windows does with its own means (libpng, fontconfig and FreeType have no
  # MinGW package here): png_io_win32.cpp (stb), font_renderer_win32.cpp (GDI).
  ui/png_io.cpp
  ui/font_renderer.cpp
  # Tests that use POSIX calls themselves.
  tests/fuzz/kept_inputs_test.cpp                  # tests/fuzz/fuzz_support.h: setrlimit, SIGXFSZ; utimensat
  tests/fuzz/checks_test.cpp                       # fuzz_support.h, utimensat
  tests/segment/hostile_segment_test.cpp           # fuzz_support.h
)

# The programs a Windows build ships, and those of them that do not link yet (none today).
set(ZEV_WINDOWS_PROGRAMS zev-setup zevarc zevpack)
set(ZEV_WINDOWS_PENDING_PROGRAMS)

# Keeps the sources of this host in the list variable named by var: the host files of the other
# host go (foo_posix.cpp and foo_posix_test.cpp on Windows, foo_win32.cpp and foo_win32_test.cpp
# elsewhere), and in a Windows build the pending sources too.
function(zev_drop_windows_pending var)
  set(sources ${${var}})
  if(NOT WIN32)
    list(FILTER sources EXCLUDE REGEX "_win32(_test)?\\.cpp$")
    set(${var} ${sources} PARENT_SCOPE)
    return()
  endif()
  list(FILTER sources EXCLUDE REGEX "_posix(_test)?\\.cpp$")
  set(kept)
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${source})
    if(NOT relative IN_LIST ZEV_WINDOWS_PENDING)
      list(APPEND kept ${source})
    endif()
  endforeach()
  set(${var} ${kept} PARENT_SCOPE)
endfunction()

# Keeps the pending programs out of a Windows build's default target, and names the others in
# shipped-programs.txt in the build folder, for scripts/build-windows to gather.
function(zev_windows_programs)
  if(NOT WIN32)
    return()
  endif()
  set(files "")
  foreach(program IN LISTS ZEV_WINDOWS_PROGRAMS)
    if(NOT TARGET ${program})
      continue()
    elseif(program IN_LIST ZEV_WINDOWS_PENDING_PROGRAMS)
      set_target_properties(${program} PROPERTIES EXCLUDE_FROM_ALL ON)
    else()
      string(APPEND files "$<TARGET_FILE:${program}>\n")
    endif()
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/shipped-programs.txt CONTENT "${files}")
endfunction()
