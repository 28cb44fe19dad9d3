# The test programs of a Windows build, run under Wine: one test per program (listing the cases
# would start Wine at build time), in a Wine prefix that a fixture makes for the run and removes
# after it (scripts/wine-test). The programs find their data under the same relative paths as
# in the source tree: __FILE__ is made relative to it, and scripts/wine-test copies the data
# folders into the folder the programs start in.
set(ZEV_WINE_STATE ${CMAKE_CURRENT_BINARY_DIR}/wine-folder)
set(ZEV_WINE_TEST bash ${CMAKE_SOURCE_DIR}/scripts/wine-test)

add_test(NAME wine_prefix COMMAND ${ZEV_WINE_TEST} create ${ZEV_WINE_STATE})
add_test(NAME wine_prefix_removal COMMAND ${ZEV_WINE_TEST} remove ${ZEV_WINE_STATE})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine_prefix_removal PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# zev_wine_test(TARGET [DISPLAY]): with DISPLAY the program shows windows (scripts/wine-test
# run-display: an X server and a window manager of its own).
function(zev_wine_test target)
  cmake_parse_arguments(PARSE_ARGV 1 ZEV "DISPLAY" "" "")
  target_compile_options(${target} PRIVATE -fmacro-prefix-map=${CMAKE_SOURCE_DIR}/=)
  set(run run)
  if(ZEV_DISPLAY)
    set(run run-display)
  endif()
  add_test(NAME ${target} COMMAND ${ZEV_WINE_TEST} ${run} ${ZEV_WINE_STATE} $<TARGET_FILE:${target}>)
  # Every suite runs in seconds: one still running after three minutes waits on a window.
  set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 180)
  # Window tests post clicks and keys to the one Wine desktop: nothing else runs beside them.
  if(ZEV_DISPLAY)
    set_tests_properties(${target} PROPERTIES RUN_SERIAL ON)
  endif()
endfunction()

# The codecs behave on Windows as on Linux, to the bit: given the Linux build's
# codec_fingerprint, the Windows one must print the same lines.
set(ZEV_LINUX_FINGERPRINT "" CACHE FILEPATH "The Linux build's codec_fingerprint program")
if(ZEV_LINUX_FINGERPRINT)
  add_test(NAME codec_fingerprint_matches_linux
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/compress/fingerprint_matches.sh ${ZEV_LINUX_FINGERPRINT}
                   ${ZEV_WINE_TEST} run ${ZEV_WINE_STATE} $<TARGET_FILE:codec_fingerprint>)
  set_tests_properties(codec_fingerprint_matches_linux PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
endif()

# The shipped programs end to end: zevpack.exe makes a disk set of the sample package and the
# install.exe on its first disk installs it unattended into the prefix's C:.
add_test(NAME wine_install
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/setup/wine_install.sh ${CMAKE_SOURCE_DIR}/scripts/wine-test
                 ${ZEV_WINE_STATE}
                 $<TARGET_FILE:zevpack> $<TARGET_FILE:zev-setup> ${CMAKE_SOURCE_DIR})
set_tests_properties(wine_install PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 180)

# The same install by keys and a mouse click on an X server of its own (real windows, the
# worker's questions answered); the pictures the windows showed are kept in wine-screens/.
add_test(NAME wine_click_install
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/setup/wine_click_install.sh ${CMAKE_SOURCE_DIR}/scripts/wine-test
                 ${ZEV_WINE_STATE}
                 $<TARGET_FILE:zevpack> $<TARGET_FILE:zev-setup> ${CMAKE_SOURCE_DIR}
                 ${CMAKE_CURRENT_BINARY_DIR}/wine-screens)
# It posts keys and clicks to the one Wine desktop: nothing else runs beside it.
set_tests_properties(wine_click_install PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL ON TIMEOUT 180)
