# Cross build for 32-bit Windows. The installer is size-optimised, with no exceptions and no RTTI.
if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE MinSizeRel)
endif()
add_compile_options(-Wall -Wextra)

# The toolchain links uuid into every program by default. Its objects each hold a whole family of
# interface identifiers, so naming one identifier brings tens of kilobytes: the installer defines
# the few it uses itself (engine/shelllinkids.cpp), and a target that wants uuid names it.
string(REPLACE "-luuid" "" CMAKE_CXX_STANDARD_LIBRARIES "${CMAKE_CXX_STANDARD_LIBRARIES}")
string(REPLACE "-luuid" "" CMAKE_C_STANDARD_LIBRARIES "${CMAKE_C_STANDARD_LIBRARIES}")

# Flags for the shipped programs (installer and product programs); tests do not use them. -Oz
# picks the shorter instruction wherever -Os would pick the faster one of two (the installer's
# code 436 bytes smaller); these programs spend their time waiting, not computing. Each
# function in a section of its own, so that the linker drops what nothing calls (not each datum:
# this compiler then gives zero-filled records file space). No frame pointer, which this target
# keeps by default. Paths of the source and build folders are written relative, so that no folder
# name reaches the output. Each object also carries the compiler's intermediate code, for the
# installer's link-time optimisation (porvane_optimised_link); every other program is linked from
# the ordinary code beside it, as the -fno-lto below makes the default. Six optimisations that
# made this code larger are off: inlining a function called from one place that does not ask for
# it, the loop optimisations (these programs spend their time waiting, not looping), the merging
# of equal block tails, inlining the head of a function into its callers, tail calls made as jumps
# and moving the register saves off the paths that do not use them.
add_library(porvane_program_flags INTERFACE)
target_compile_options(porvane_program_flags INTERFACE
    -Oz -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -ffunction-sections -fomit-frame-pointer
    -fno-inline-functions-called-once -fno-tree-loop-optimize -fno-tree-tail-merge
    -fno-partial-inlining -fno-optimize-sibling-calls -fno-shrink-wrap
    -flto -ffat-lto-objects
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
add_link_options(-fno-lto)
target_compile_definitions(porvane_program_flags INTERFACE
    WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601 STRICT)
target_link_options(porvane_program_flags INTERFACE -s -static)

# Link options of a shipped program: unused sections dropped, and no link time in the header, so
# that the same sources give the same bytes in any folder at any time.
function(porvane_shipped_program target)
    target_link_options(${target} PRIVATE -Wl,--gc-sections -Wl,--no-insert-timestamp)
endfunction()

# Link-time optimisation of a program whose code is all built with porvane_program_flags: the
# compiler sees the whole program at once, inlines across files and drops what nothing uses.
function(porvane_optimised_link target)
    target_link_options(${target} PRIVATE -flto -Oz)
endfunction()

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
