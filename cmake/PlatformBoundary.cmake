# The platform layer is the only code that sees SDL. For every other library, a file that
# includes <SDL.h> is compiled with the include directories and options the library gives
# the code that links it; the test passes only when the compiler cannot find the header, so
# it fails as soon as SDL2 reaches one of those libraries' public link interface. vdl_platform
# itself is checked too: it links SDL2 privately.
set(probe ${CMAKE_CURRENT_BINARY_DIR}/platform_boundary_probe.cpp)
file(WRITE ${probe} "#include <SDL.h>\n")
foreach(library vdl_runtime vdl_collections vdl_system vdl_stream vdl_graphics vdl_audio
                vdl_platform vdl_game vdl_sim)
    add_test(NAME PlatformBoundary.${library}
             COMMAND ${CMAKE_CXX_COMPILER} -fsyntax-only
                     "-I$<JOIN:$<TARGET_PROPERTY:${library},INTERFACE_INCLUDE_DIRECTORIES>,;-I>"
                     "$<TARGET_PROPERTY:${library},INTERFACE_COMPILE_OPTIONS>" ${probe}
             COMMAND_EXPAND_LISTS)
    set_tests_properties(PlatformBoundary.${library} PROPERTIES
        LABELS unit PASS_REGULAR_EXPRESSION "SDL\\.h: No such file|'SDL\\.h' file not found")
endforeach()
