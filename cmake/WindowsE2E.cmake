# The game's end-to-end test for the Windows build: the same test as on Linux, built for the
# build machine (it drives the X display with xdotool and reads it with ImageMagick), started
# on the Windows executable under Wine through a small launcher.
find_program(CCA_HOST_CXX NAMES c++ g++ clang++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(launcher ${PROJECT_BINARY_DIR}/tests/run-windows-game.sh)
file(GENERATE OUTPUT ${launcher} CONTENT "#!/bin/sh
exec '${PROJECT_SOURCE_DIR}/packaging/windows/wine-run.sh' '$<TARGET_FILE:candycane-arena>'
" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                   WORLD_EXECUTE)
set(e2e ${PROJECT_BINARY_DIR}/tests/host_game_e2e)
set(e2e_source ${PROJECT_SOURCE_DIR}/tests/e2e/game_e2e_test.cpp)
add_custom_command(
    OUTPUT ${e2e}
    COMMAND ${CCA_HOST_CXX} -std=c++20 -O1 -I${PROJECT_SOURCE_DIR}
            "-DCCA_BINARY_DIR=\"${PROJECT_BINARY_DIR}\"" "-DCCA_GAME_PROGRAM=\"${launcher}\""
            -o ${e2e} ${e2e_source} -lgtest -lgtest_main -pthread
    DEPENDS ${e2e_source} ${PROJECT_SOURCE_DIR}/tests/e2e/shell.h
    COMMENT "Building the game's end-to-end test for the build machine"
    VERBATIM)
add_custom_target(host_game_e2e ALL DEPENDS ${e2e} candycane-arena)
add_test(NAME WindowsGameE2E COMMAND ${e2e})
set_tests_properties(WindowsGameE2E PROPERTIES LABELS e2e RUN_SERIAL ON TIMEOUT 600)
