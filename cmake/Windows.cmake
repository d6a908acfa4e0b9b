# The Windows build: one static executable from the libraries build-deps.sh made with the
# mingw-w64 cross compilers (packaging/windows/).

# Everything is linked in, the C and C++ run-times and winpthreads included, so the
# executable needs no DLL beside it.
add_link_options(-static -static-libgcc -static-libstdc++)

# SDL2's static build exports SDL2::SDL2-static; the code links SDL2::SDL2.
if(NOT TARGET SDL2::SDL2 AND TARGET SDL2::SDL2-static)
    add_library(SDL2::SDL2 ALIAS SDL2::SDL2-static)
endif()

# A static vorbisfile needs what its pkg-config file lists as private: vorbis and ogg.
set_property(TARGET PkgConfig::vorbisfile APPEND PROPERTY INTERFACE_LINK_DIRECTORIES
             ${vorbisfile_STATIC_LIBRARY_DIRS})
set_property(TARGET PkgConfig::vorbisfile APPEND PROPERTY INTERFACE_LINK_LIBRARIES
             ${vorbisfile_STATIC_LIBRARIES})

# Builds the asset embedder for the build machine, at configure time, with its own compiler;
# vdl_embed() runs it through the imported target vdl-embed.
function(vdl_host_embedder)
    find_program(CCA_HOST_CXX NAMES c++ g++ clang++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
    set(source ${PROJECT_SOURCE_DIR}/tools/embed.cpp)
    set(embedder ${PROJECT_BINARY_DIR}/host/vdl-embed)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/host)
    # Made again only when its source changed, so a new configure does not embed every
    # asset again.
    if(NOT EXISTS ${embedder} OR ${source} IS_NEWER_THAN ${embedder})
        execute_process(COMMAND ${CCA_HOST_CXX} -std=c++20 -O2 -o ${embedder} ${source}
                        RESULT_VARIABLE failed ERROR_VARIABLE errors)
        if(failed)
            message(FATAL_ERROR "the asset embedder does not build for the build machine:\n${errors}")
        endif()
    endif()
    add_executable(vdl-embed IMPORTED GLOBAL)
    set_target_properties(vdl-embed PROPERTIES IMPORTED_LOCATION ${embedder})
endfunction()
