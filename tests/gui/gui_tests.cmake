# The Windows program's GUI tests: one executable that links the program's
# own application library, run once per scenario under Wine on a private
# Xvfb display (24 bits a pixel, and 8 bits for the palette road). The
# scenarios share one Wine prefix, so they run one at a time.
#
# A picture of the program in use, for looking at by eye:
#   tests/gui/run-gui-test 24 build/gui-wine-prefix \
#     build/win64/bin/tindral_gui_tests.exe showcase screen=/tmp/tindral-screen.bmp
include(${PROJECT_SOURCE_DIR}/cmake/program.cmake)

set_source_files_properties(gui/gui_tests.rc PROPERTIES OBJECT_DEPENDS
  "${PROJECT_SOURCE_DIR}/resources/tindral.rc;${PROJECT_SOURCE_DIR}/resources/release.rc;${PROJECT_SOURCE_DIR}/resources/tindral.manifest;${PROJECT_SOURCE_DIR}/tests/data/info8-netpbm.bmp")
add_executable(tindral_gui_tests gui/driver.cpp gui/scenarios.cpp gui/frame_scenarios.cpp gui/gui_tests.rc)
target_include_directories(tindral_gui_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(tindral_gui_tests PRIVATE tindral_app)

# The i686 program runs under 32-bit Wine in the same prefix, which both
# builds share: a new prefix costs a Wine start-up of its own.
set(gui_runner ${CMAKE_CURRENT_SOURCE_DIR}/gui/run-gui-test)
get_filename_component(gui_prefix ${CMAKE_BINARY_DIR}/../gui-wine-prefix ABSOLUTE)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(gui_wine /usr/lib/wine/wine64)
else()
  set(gui_wine /usr/lib/wine/wine)
endif()
set(gui_out ${CMAKE_CURRENT_BINARY_DIR}/gui-out)
file(MAKE_DIRECTORY ${gui_out})

# What tindral-render writes for the default picture, for the save test, and
# a copy of it for the open test to open and save again.
add_test(NAME ${TINDRAL_TEST_CONFIG}.gui.render-default COMMAND tindral-render ${gui_out}/render-default.bmp)
add_test(NAME ${TINDRAL_TEST_CONFIG}.gui.render-open COMMAND tindral-render ${gui_out}/open-me.bmp)
add_test(NAME ${TINDRAL_TEST_CONFIG}.gui.render-png COMMAND tindral-render ${gui_out}/render-default.png)
add_test(NAME ${TINDRAL_TEST_CONFIG}.gui.render-open-png COMMAND tindral-render ${gui_out}/open-me.png)
set_tests_properties(${TINDRAL_TEST_CONFIG}.gui.render-default ${TINDRAL_TEST_CONFIG}.gui.render-open
                     ${TINDRAL_TEST_CONFIG}.gui.render-png ${TINDRAL_TEST_CONFIG}.gui.render-open-png
                     PROPERTIES FIXTURES_SETUP gui_render_default)

# One display and one Wine server for each depth; scenarios joined by "+"
# share one start of the program.
set(gui_files rendered=${gui_out}/render-default.bmp bitmap=${CMAKE_CURRENT_SOURCE_DIR}/gui/data/imagemagick-4colours.bmp
    truecolour=${CMAKE_CURRENT_SOURCE_DIR}/data/info24.bmp pngpalette=${CMAKE_CURRENT_SOURCE_DIR}/data/index2.png)
# The recent files that one run opens, the next run finds.
foreach(depth 24 8)
  set(runs startup+dpi+sizes+region+save+schemes+palette-window+drawing+explore+window-menu+about+clipboard ${gui_files}
      saved=${gui_out}/saved-${depth}bit.bmp dpi=96)
  if(depth EQUAL 8)
    list(APPEND runs display=palette -- disagree)
  else()
    list(APPEND runs renderedpng=${gui_out}/render-default.png savedpng=${gui_out}/saved.png
         -- disagree -- open-file open=${gui_out}/open-me.bmp plain=${gui_out}/plain.bmp
         -- open-file open=${gui_out}/open-me.png plain=${gui_out}/plain.png
         -- open-missing open=${gui_out}/no-such-picture.bmp
         -- bars+shrink+recent-files+computing ${gui_files} -- recent-files-again)
  endif()
  add_test(NAME ${TINDRAL_TEST_CONFIG}.gui.${depth}bit COMMAND env TINDRAL_WINE=${gui_wine} bash ${gui_runner} ${depth} ${gui_prefix}
                                          $<TARGET_FILE:tindral_gui_tests> ${runs})
  set_tests_properties(${TINDRAL_TEST_CONFIG}.gui.${depth}bit PROPERTIES RESOURCE_LOCK gui_wine_prefix TIMEOUT 600
                       FIXTURES_REQUIRED gui_render_default)
endforeach()

# At 144 dpi (the registry's LogPixels, put back afterwards) the windows
# grow, the pictures do not, and the main scenarios still pass.
add_test(NAME ${TINDRAL_TEST_CONFIG}.gui.144dpi COMMAND env TINDRAL_WINE=${gui_wine} TINDRAL_DPI=144 bash ${gui_runner} 24
                                        ${gui_prefix} $<TARGET_FILE:tindral_gui_tests>
                                        startup+dpi+sizes+region+about+window-menu+bars ${gui_files} dpi=144)
set_tests_properties(${TINDRAL_TEST_CONFIG}.gui.144dpi PROPERTIES RESOURCE_LOCK gui_wine_prefix TIMEOUT 600
                     FIXTURES_REQUIRED gui_render_default)
