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

# Neither the game nor the runner links the desktop: no SDL, no platform layer, no OpenGL and
# no GL renderer anywhere in what they link, directly or through another library. The closure
# is walked here, at configure time; the test fails naming the library that leaked in.
function(vdl_link_closure target out)
    set(seen ${${out}})
    get_target_property(type ${target} TYPE)
    set(links)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(direct ${target} LINK_LIBRARIES)
        if(direct)
            list(APPEND links ${direct})
        endif()
    endif()
    get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
    if(interface)
        list(APPEND links ${interface})
    endif()
    foreach(link IN LISTS links)
        # Static libraries pass their private links on as $<LINK_ONLY:...>.
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
        if(link IN_LIST seen OR link MATCHES "^\\$<")
            continue()
        endif()
        list(APPEND seen ${link})
        if(TARGET ${link})
            vdl_link_closure(${link} seen)
        endif()
    endforeach()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(vdl_check_desktop_links)
    foreach(library vdl_game vdl_sim)
        set(closure)
        vdl_link_closure(${library} closure)
        set(desktop)
        foreach(link IN LISTS closure)
            if(link MATCHES "SDL2|^vdl_platform$|^vdl_gl_renderer(_base)?$|^vdl_gles2_renderer$|^vdl_game_desktop$|OpenGL|^GL$|glesv2")
                list(APPEND desktop ${link})
            endif()
        endforeach()
        string(REPLACE ";" " " desktop "${desktop}")
        add_test(NAME PlatformBoundary.${library}.links
                 COMMAND ${CMAKE_COMMAND} -E echo "${library} links the desktop: [${desktop}]")
        set_tests_properties(PlatformBoundary.${library}.links PROPERTIES
            LABELS unit PASS_REGULAR_EXPRESSION "links the desktop: \\[\\]")
    endforeach()
endfunction()
# Every target exists only once the top folder is done.
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL vdl_check_desktop_links)
