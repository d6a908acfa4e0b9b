# The browser build: Emscripten's compilers (through emcmake) and the static libraries that
# packaging/web/build-deps.sh made in CCA_WEB_PREFIX. The game becomes candycane-arena.js and
# candycane-arena.wasm, which vdl_game_page puts beside the page in CCA_WEB_PAGE_DIR under
# hashed names, with the files the page fetches, so the folder can be served as it is; the
# unit tests and the runner run under node.
set(CCA_WEB_PREFIX "" CACHE PATH "Where packaging/web/build-deps.sh installed the libraries")
set(CCA_WEB_PAGE_DIR ${PROJECT_BINARY_DIR}/page CACHE PATH "Where the page and its files go")
if(NOT CCA_WEB_PREFIX OR NOT EXISTS ${CCA_WEB_PREFIX}/lib)
    message(FATAL_ERROR "CCA_WEB_PREFIX (${CCA_WEB_PREFIX}) holds no libraries; make web builds them")
endif()
# Emscripten's toolchain looks for libraries only below its find roots.
list(APPEND CMAKE_FIND_ROOT_PATH ${CCA_WEB_PREFIX})
list(APPEND CMAKE_PREFIX_PATH ${CCA_WEB_PREFIX})
set(ENV{PKG_CONFIG_LIBDIR} ${CCA_WEB_PREFIX}/lib/pkgconfig)
# Emscripten's own SDL2 package only names its port, which cannot be fetched here.
set(SDL2_DIR ${CCA_WEB_PREFIX}/lib/cmake/SDL2 CACHE PATH "SDL2 built for the web" FORCE)
set(ENV{PKG_CONFIG_PATH} "")

# The engine's run-time errors and the runner's stops are exceptions that are caught, so
# catching stays on (Emscripten leaves it off by default). The heap grows as the desktop's
# would; the runtime ends with the program, so the page learns how it ended.
add_compile_options(-fexceptions)
add_link_options(-fexceptions -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1)

# Node runs what Emscripten makes for it. Its fetch, on by default in node 20, makes the
# loader of this Emscripten take the wrong path; and Debian's packaged JavaScript modules are
# found through NODE_PATH.
find_program(CCA_NODE NAMES node nodejs REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs
    ${CCA_NODE} --no-experimental-fetch)

# vdl_node_program(target): a program for node that reads and writes the machine's own files
# (the tests' reference files, the runner's replays) and whose exit code is node's.
function(vdl_node_program target)
    target_link_options(${target} PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sTOTAL_STACK=8MB)
endfunction()

# vdl_web_page(target [dir page]): a program for a page, in dir (the page's folder,
# CCA_WEB_PAGE_DIR by default) beside a copy of page (packaging/web/index.html by default,
# with the touch controls, packaging/web/touch.js and touch.css).
# Its screens are blocking loops, so waits unwind and rewind the stack (Asyncify, with room
# for the deepest screen's frames). Sound starts on the page's first click or key, the
# browsers' rule for sound, through SDL's resume of the audio context; the names are read
# from a file so no shell or make sees their dollar signs.
function(vdl_web_page target)
    set(dir ${CCA_WEB_PAGE_DIR})
    set(page ${PROJECT_SOURCE_DIR}/packaging/web/index.html)
    set(scripts ${PROJECT_SOURCE_DIR}/packaging/web/touch.js
        ${PROJECT_SOURCE_DIR}/packaging/web/touch.css)
    if(ARGC GREATER 2)
        set(dir ${ARGV1})
        set(page ${ARGV2})
        set(scripts)
    endif()
    set(funcs ${PROJECT_BINARY_DIR}/web-library-funcs.json)
    file(WRITE ${funcs} "[\"$autoResumeAudioContext\", \"$dynCall\"]\n")
    target_link_options(${target} PRIVATE -sENVIRONMENT=web -sASYNCIFY -sASYNCIFY_STACK_SIZE=262144
                        -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
                        -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${funcs})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${dir})
    get_filename_component(page_name ${page} NAME)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${page} ${dir}/${page_name}
        VERBATIM)
    foreach(script ${scripts})
        get_filename_component(script_name ${script} NAME)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${script} ${dir}/${script_name}
            VERBATIM)
    endforeach()
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${page} ${scripts} ${funcs})
endfunction()

# vdl_web_app(target): the page as an installable app, after vdl_game_page(target): its
# manifest and icons beside it (its script, packaging/web/app.js, is in the page), then, as the build's last step, its service
# worker (packaging/web/make-sw.mjs), which lists every file the build left in the folder.
function(vdl_web_app target)
    set(web ${PROJECT_SOURCE_DIR}/packaging/web)
    set(icons ${PROJECT_SOURCE_DIR}/packaging/icons)
    set(files ${web}/manifest.webmanifest ${icons}/favicon.ico
        ${icons}/candycane-arena-192.png ${icons}/candycane-arena-512.png
        ${icons}/candycane-arena-maskable-512.png ${icons}/candycane-arena-touch-180.png)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${files} ${CCA_WEB_PAGE_DIR}
        COMMAND ${CCA_NODE} ${web}/make-sw.mjs ${CCA_WEB_PAGE_DIR}
        VERBATIM)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${files} ${web}/sw.js
                 ${web}/make-sw.mjs)
endfunction()

# vdl_game_page(target [EARLY file...] [LATE file...] [PICTURE file]): the shipped page. The
# program is linked as vdl_web_page links it, into build-wasm/page-program/, and
# packaging/web/finish-page.mjs then writes CCA_WEB_PAGE_DIR: the page, the program and the
# files the program leaves out under names that carry their hashes, and compressed copies.
# The page's own scripts (the loader, packaging/web/loader.js, the app's and the touch
# controls') and the touch controls' style sheet are inlined into it, and so is the PICTURE,
# which it shows while the program loads. It fetches EARLY files once it has painted, LATE
# ones once the title menu is up.
#
# Asyncify is limited to the functions packaging/web/asyncify-only.txt lists, the ones that may
# be on the stack while the page waits: a build of the same program with its functions' names
# and nothing optimised (<target>-calls) is checked against the list first, and the build
# fails when the list misses a function on a path to a wait (packaging/web/asyncify_check.py).
function(vdl_game_page target)
    cmake_parse_arguments(ARG "" "PICTURE" "EARLY;LATE" ${ARGN})
    set(program_dir ${PROJECT_BINARY_DIR}/page-program)
    vdl_web_page(${target} ${program_dir} ${PROJECT_SOURCE_DIR}/packaging/web/index.html)
    set(web ${PROJECT_SOURCE_DIR}/packaging/web)

    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    get_target_property(sources ${target} SOURCES)
    get_target_property(libraries ${target} LINK_LIBRARIES)
    set(calls ${target}-calls)
    set(only ${PROJECT_BINARY_DIR}/asyncify-only.txt)
    add_executable(${calls} ${sources})
    target_link_libraries(${calls} PRIVATE ${libraries})
    target_link_options(${calls} PRIVATE -O0 --profiling-funcs -sENVIRONMENT=web
                        -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
                        -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${PROJECT_BINARY_DIR}/web-library-funcs.json)
    set_target_properties(${calls} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/page-calls)
    add_custom_command(TARGET ${calls} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E rm -f ${only}
        COMMAND Python3::Interpreter ${web}/asyncify_check.py
                ${PROJECT_BINARY_DIR}/page-calls/${calls}.wasm ${web}/asyncify-only.txt ${only}
        VERBATIM)
    set_property(TARGET ${calls} APPEND PROPERTY LINK_DEPENDS ${web}/asyncify-only.txt
                 ${web}/asyncify_check.py)
    add_dependencies(${target} ${calls})
    # The renderer needs no WebGL extension: Emscripten's enabling of every one the browser
    # offers is a long step of making the context, and is left out.
    target_link_options(${target} PRIVATE -sASYNCIFY_ONLY=@${only}
                        -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${only})

    set(page_files)
    foreach(file IN LISTS ARG_EARLY)
        list(APPEND page_files --early ${file})
    endforeach()
    foreach(file IN LISTS ARG_LATE)
        list(APPEND page_files --late ${file})
    endforeach()
    if(ARG_PICTURE)
        list(APPEND page_files --picture ${ARG_PICTURE})
    endif()
    list(APPEND page_files --inline ${web}/app.js --inline ${web}/touch.js
         --inline ${web}/touch.css)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CCA_NODE} ${web}/finish-page.mjs ${CCA_WEB_PAGE_DIR} ${web}/index.html
                ${web}/loader.js ${program_dir}/${target}.js ${program_dir}/${target}.wasm
                ${page_files}
        COMMAND ${CMAKE_COMMAND} -E rm -f ${CCA_WEB_PAGE_DIR}/app.js ${CCA_WEB_PAGE_DIR}/touch.js
                ${CCA_WEB_PAGE_DIR}/touch.css
        VERBATIM)
    set(page_sources ${web}/loader.js ${web}/finish-page.mjs ${web}/app.js ${web}/touch.js
        ${web}/touch.css ${ARG_EARLY} ${ARG_LATE} ${ARG_PICTURE})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${page_sources})

    # The same page with the program's function names kept, in build-wasm/page-names/, for
    # the profiles of start-up's tasks (bench/web_tasks.mjs, make web-tasks); built on asking.
    set(names ${target}-names)
    set(names_dir ${PROJECT_BINARY_DIR}/page-names-program)
    add_executable(${names} EXCLUDE_FROM_ALL ${sources})
    target_link_libraries(${names} PRIVATE ${libraries})
    vdl_web_page(${names} ${names_dir} ${web}/index.html)
    target_link_options(${names} PRIVATE -sASYNCIFY_ONLY=@${only}
                        -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0 --profiling-funcs)
    set_target_properties(${names} PROPERTIES OUTPUT_NAME ${target})
    add_dependencies(${names} ${calls})
    add_custom_command(TARGET ${names} POST_BUILD
        COMMAND ${CCA_NODE} ${web}/finish-page.mjs ${PROJECT_BINARY_DIR}/page-names
                ${web}/index.html ${web}/loader.js ${names_dir}/${target}.js
                ${names_dir}/${target}.wasm ${page_files}
        VERBATIM)
    set_property(TARGET ${names} APPEND PROPERTY LINK_DEPENDS ${only} ${page_sources})
endfunction()
