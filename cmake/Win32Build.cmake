# Cross build for 32-bit Windows. The installer is size-optimised, with no exceptions and no RTTI.
if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE MinSizeRel)
endif()
add_compile_options(-Wall -Wextra)

# Flags for the shipped programs (installer and product programs); tests do not use them.
add_library(porvane_program_flags INTERFACE)
target_compile_options(porvane_program_flags INTERFACE
    -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables)
target_compile_definitions(porvane_program_flags INTERFACE
    WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601 STRICT)
target_link_options(porvane_program_flags INTERFACE -s -static)

# The packer is a host tool from the native build.
set(PORVANE_PACKER "" CACHE FILEPATH "The packer built by the native build")
if(NOT PORVANE_PACKER)
    message(FATAL_ERROR "PORVANE_PACKER must name the packer of the native build")
endif()
set(PORVANE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${PORVANE_GENERATED_DIR})

# GoogleTest from Debian's sources, built with the cross compiler.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# Test programs run under Wine through the harness.
set(PORVANE_WINE_ROOT ${CMAKE_SOURCE_DIR}/build/wine CACHE PATH "Folder of the Wine harness")
set(CMAKE_CROSSCOMPILING_EMULATOR env WINE_ROOT=${PORVANE_WINE_ROOT} ${CMAKE_SOURCE_DIR}/scripts/wine-harness.sh exec)
