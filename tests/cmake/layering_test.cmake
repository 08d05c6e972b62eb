cmake_minimum_required(VERSION 3.25)
# Runs the include check on the fixture folder: a file that keeps to the layer order passes, one
# that includes a higher layer fails naming the file and the header, and an ALLOWED folder above
# the library's own layer is refused. Run as: cmake -DSOURCE_DIR=<repository> -P layering_test.cmake
include(${SOURCE_DIR}/cmake/MavletLayers.cmake)
set(fixture ${SOURCE_DIR}/tests/cmake/layering/player)
set(engine_allowed common backend/graphics backend/audio backend storage vars)

function(expect_faults label count must_match)
  list(LENGTH faults n)
  if(NOT n EQUAL count)
    message(FATAL_ERROR "${label}: expected ${count} faults, got ${n}: ${faults}")
  endif()
  if(must_match AND NOT faults MATCHES "${must_match}")
    message(FATAL_ERROR "${label}: the fault does not say \"${must_match}\": ${faults}")
  endif()
endfunction()

mavlet_layer_violations(faults NAME mavlet_engine FOLDERS engine ALLOWED ${engine_allowed}
                        FILES ${fixture}/engine/good.cpp)
expect_faults("keeps to the order" 0 "")

mavlet_layer_violations(faults NAME mavlet_engine FOLDERS engine ALLOWED ${engine_allowed}
                        FILES ${fixture}/engine/good.cpp ${fixture}/engine/bad.cpp)
expect_faults("includes the shell" 1 "bad\\.cpp includes \"player/shell/game_system\\.h\"")

mavlet_layer_violations(faults NAME mavlet_engine FOLDERS engine ALLOWED ${engine_allowed} shell display
                        FILES ${fixture}/engine/good.cpp)
expect_faults("allows a higher layer" 2 "may not include player/shell")

mavlet_layer_violations(faults NAME mavlet_display FOLDERS display ALLOWED media FILES)
expect_faults("allows a sibling" 1 "may not include player/media")

mavlet_layer_violations(faults NAME mavlet_shell FOLDERS shell ALLOWED engine display media FILES)
expect_faults("allows lower layers" 0 "")

mavlet_layer_violations(faults NAME mavlet_shell FOLDERS shell ALLOWED engine runner FILES)
expect_faults("shell allows the runner above it" 1 "may not include player/runner")

mavlet_layer_violations(faults NAME mavlet_runner FOLDERS runner ALLOWED shell backend/headless FILES)
expect_faults("the runner sits above the shell" 0 "")

mavlet_layer_violations(faults NAME mavlet_debug FOLDERS debug ALLOWED runner shell FILES)
expect_faults("debug sits above the runner" 0 "")

# A subfolder is a folder of its own: the display commands sit a layer above the display model.
set(display_allowed ${engine_allowed} engine)
mavlet_layer_violations(faults NAME mavlet_display_commands FOLDERS display/commands ALLOWED ${display_allowed} display
                        FILES ${fixture}/display/commands/good.cpp)
expect_faults("commands use the display model" 0 "")

mavlet_layer_violations(faults NAME mavlet_display FOLDERS display ALLOWED ${display_allowed}
                        FILES ${fixture}/display/uses_commands.cpp)
expect_faults("display model includes a command" 1
              "uses_commands\\.cpp includes \"player/display/commands/layer_commands\\.h\"")

mavlet_layer_violations(faults NAME mavlet_display FOLDERS display ALLOWED ${display_allowed} display/commands FILES)
expect_faults("display allows its commands" 1 "may not include player/display/commands")

# fontconfig sits above the rasteriser it serves, which never reaches back for it.
mavlet_layer_violations(faults NAME mavlet_fontconfig FOLDERS backend/fontconfig ALLOWED common backend backend/fonts FILES)
expect_faults("fontconfig uses the fonts" 0 "")
mavlet_layer_violations(faults NAME mavlet_fonts FOLDERS backend/fonts ALLOWED common backend backend/fontconfig FILES)
expect_faults("fonts allow fontconfig" 1 "may not include player/backend/fontconfig")
mavlet_layer_violations(faults NAME mavlet_storage FOLDERS storage ALLOWED common backend backend/fontconfig FILES)
expect_faults("storage sits above fontconfig" 0 "")

mavlet_layer_violations(faults NAME mavlet_extra FOLDERS extra FILES)
expect_faults("folder in no layer" 1 "in no layer")
message(STATUS "include check: all cases pass")
