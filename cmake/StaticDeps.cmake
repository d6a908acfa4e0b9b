# The cross builds (Windows, the browser) link the libraries their build-deps.sh made, all of
# them static.

# SDL2's static build exports SDL2::SDL2-static; the code links SDL2::SDL2.
if(NOT TARGET SDL2::SDL2 AND TARGET SDL2::SDL2-static)
    add_library(SDL2::SDL2 ALIAS SDL2::SDL2-static)
endif()

# A static vorbisfile needs what its pkg-config file lists as private: vorbis and ogg.
set_property(TARGET PkgConfig::vorbisfile APPEND PROPERTY INTERFACE_LINK_DIRECTORIES
             ${vorbisfile_STATIC_LIBRARY_DIRS})
set_property(TARGET PkgConfig::vorbisfile APPEND PROPERTY INTERFACE_LINK_LIBRARIES
             ${vorbisfile_STATIC_LIBRARIES})
