# Release builds are hardened. On Linux they take the flags Debian builds its own packages
# with (dpkg-buildflags with hardening=+all): fortified libc calls, stack protection,
# format-string checks, a read-only relocation table bound at start-up and a
# position-independent executable. On Windows they take what of that mingw-w64 has: stack
# protection, and an executable that may be loaded anywhere in the 64-bit address space
# (ASLR) with non-executable data (DEP).
#
# Other build types are left as they are: the test and sanitizer builds are RelWithDebInfo.
# NOTE: _FORTIFY_SOURCE needs optimisation, which a Release build has.
if(NOT CMAKE_BUILD_TYPE STREQUAL "Release")
    return()
endif()

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    include(CheckPIESupported)
    check_pie_supported(OUTPUT_VARIABLE pie_output LANGUAGES C CXX)
    if(NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
        message(FATAL_ERROR "the linker cannot make a position-independent executable:\n${pie_output}")
    endif()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_compile_definitions(_FORTIFY_SOURCE=2)
    add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
    add_link_options(LINKER:-z,relro LINKER:-z,now)
elseif(WIN32)
    # gcc's own stack protector, from libssp: the flag on the link line too is what makes
    # the driver link it, and the static link (cmake/Windows.cmake) takes libssp.a, so no
    # libssp DLL has to travel with the executable. Debian 12's binutils already sets the
    # three PE flags by default; naming them keeps them with a linker that does not.
    add_compile_options(-fstack-protector-strong)
    add_link_options(-fstack-protector-strong LINKER:--dynamicbase LINKER:--nxcompat
                     LINKER:--high-entropy-va)
endif()
