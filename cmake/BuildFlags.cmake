# Compiler and linker flags of every build, both systems.
#
# Shipped files carry no path of the machine they were built on: the source
# and build folders are written as "." in debug information and __FILE__.
# The build folder comes last, as the last matching map wins and the build
# folder usually lies inside the source folder.
add_compile_options(
    "-ffile-prefix-map=${PROJECT_SOURCE_DIR}=."
    "-ffile-prefix-map=${PROJECT_BINARY_DIR}=.")

# The Linux program is hardened as Debian hardens its own packages: the
# flags of dpkg-buildflags with every hardening feature (fortified libc
# calls, stack protector, format checks, full RELRO, PIE). Only the hardening
# flags are taken; optimisation and debug information stay the build type's.
if(NOT WIN32)
    find_program(DPKG_BUILDFLAGS dpkg-buildflags)
    include(CMakeDependentOption)
    cmake_dependent_option(USE_DEBIAN_HARDENING
        "Build with the hardening flags of dpkg-buildflags" ON "DPKG_BUILDFLAGS" OFF)
endif()

if(USE_DEBIAN_HARDENING)
    function(debian_build_flags variable)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env
                DEB_BUILD_MAINT_OPTIONS=hardening=+all
                # The build's own prefix maps above replace dpkg's, which
                # map only the folder dpkg-buildflags runs in.
                --unset=DEB_BUILD_OPTIONS
                ${DPKG_BUILDFLAGS} --get ${variable}
            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
            RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "dpkg-buildflags --get ${variable} failed")
        endif()
        separate_arguments(flags UNIX_COMMAND "${flags}")
        list(FILTER flags EXCLUDE REGEX "^-(g.*|O.*|ffile-prefix-map=.*|fdebug-prefix-map=.*)$")
        set(${variable} ${flags} PARENT_SCOPE)
    endfunction()
    debian_build_flags(CPPFLAGS)
    debian_build_flags(CXXFLAGS)
    debian_build_flags(LDFLAGS)
    # glibc refuses _FORTIFY_SOURCE without optimisation, which a Debug build
    # turns off.
    foreach(flag IN LISTS CPPFLAGS)
        if(flag MATCHES "^-D_FORTIFY_SOURCE")
            add_compile_options("$<$<NOT:$<CONFIG:Debug>>:${flag}>")
        else()
            add_compile_options(${flag})
        endif()
    endforeach()
    add_compile_options(${CXXFLAGS})
    add_link_options(${LDFLAGS})
    # Position-independent executables, as Debian's compiler makes anyway.
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    message(STATUS "Hardening flags of dpkg-buildflags: ${CPPFLAGS} ${CXXFLAGS} ${LDFLAGS}")
endif()
