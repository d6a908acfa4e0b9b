# The Debian package: install rules for the game and what a desktop needs around it, and
# CPack's DEB settings. `cpack -G DEB` in a Release tree makes
# candycane-arena_<version>_<arch>.deb (`make deb` does all of it).
#
# Installed under CMAKE_INSTALL_PREFIX for `cmake --install`, under /usr in the package:
#   games/candycane-arena                              the game, stripped by CPack
#   share/applications/candycane-arena.desktop         the menu entry
#   share/icons/hicolor/NxN/apps/candycane-arena.png   the icon, drawn by tools/make-icons.sh
#   share/man/man6/candycane-arena.6.gz                the manual page
#   share/doc/candycane-arena/copyright, changelog.gz  licences (DEP-5) and release notes
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR CMAKE_CROSSCOMPILING)
    return()
endif()

set(CCA_PACKAGE candycane-arena)
set(CCA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(CCA_DOC_DIR share/doc/${CCA_PACKAGE})

# Directories the install makes are 0755 whatever the umask; files default to 0644.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Debian wants the manual page and the changelog compressed with gzip -9 and no time stamp
# or name in the header, so the package is the same from one build to the next.
find_program(CCA_GZIP gzip REQUIRED)
set(compressed)
foreach(source IN ITEMS debian/candycane-arena.6 debian/changelog)
    get_filename_component(name ${source} NAME)
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/packaging/${name})
    add_custom_command(
        OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${CCA_PACKAGING_DIR}/${source} ${copy}
        COMMAND ${CCA_GZIP} -9nf ${copy}
        DEPENDS ${CCA_PACKAGING_DIR}/${source}
        COMMENT "Compressing ${name}"
        VERBATIM)
    list(APPEND compressed ${copy}.gz)
endforeach()
add_custom_target(candycane-arena-package-files ALL DEPENDS ${compressed})

install(TARGETS candycane-arena
        RUNTIME DESTINATION games
        PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                    WORLD_READ WORLD_EXECUTE)
# A stripping install (CPack's, or `cmake --install --strip`) also drops the compilers'
# version strings, as Debian's own packages do.
set(game "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/games/$<TARGET_FILE_NAME:candycane-arena>")
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(
            COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note \"${game}\"
            COMMAND_ERROR_IS_FATAL ANY)
    endif()")
install(FILES ${CCA_PACKAGING_DIR}/debian/candycane-arena.desktop DESTINATION share/applications)
foreach(size IN ITEMS 16 32 48 64 128 256)
    install(FILES ${CCA_PACKAGING_DIR}/icons/candycane-arena-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps
            RENAME ${CCA_PACKAGE}.png)
endforeach()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/candycane-arena.6.gz DESTINATION share/man/man6)
install(FILES ${CCA_PACKAGING_DIR}/debian/copyright DESTINATION ${CCA_DOC_DIR})
# The version has no Debian revision (the package is its own upstream), so the changelog
# is changelog.gz, not changelog.Debian.gz.
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CCA_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${CCA_PACKAGE})
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_VENDOR "The Candy Cane Arena developers")
set(CPACK_PACKAGE_CONTACT "Candy Cane Arena developers <candycane-arena@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Christmas arena shooter starring a candy cane")
# CPack keeps the lines as they are: each is one line of the control file's description.
set(CPACK_PACKAGE_DESCRIPTION [[
Steer a candy cane around the arena with W, A, S and D, aim with the mouse,
and fire straight shots with the left button and homing shots with the right.
Fight through 21 levels of Santa hats, ornaments, trees, bells, snowmen, spawn
points and two bosses; the presents that spawn points and bosses drop upgrade
the weapon every fifth one.

Every picture, sound and font is built into the one program, which draws with
OpenGL through SDL2 and plays its music and sounds through SDL2's audio output.
]])
# The package is made from the install tree alone: nothing of the source is shipped.
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# dpkg-shlibdeps names the libraries the game links: SDL2, FreeType, libpng, vorbisfile,
# the GL dispatcher (libopengl0) and the C and C++ run-times. It cannot see libGL.so.1,
# which SDL2 opens at run time to make the window's GLX context, so libgl1 is named here.
# Mesa's drivers give a machine without a GPU driver software GL; on Debian 12 libgl1
# already brings them in (through libglx-mesa0), and the Recommends keeps them wanted if
# that chain ever changes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
# CPack otherwise keeps the build tree's modes on md5sums and the other control files.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
