# Host build of the portable code.
if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()
add_compile_options(-Wall -Wextra)

find_package(GTest REQUIRED)
include(GoogleTest)

# Sanitizers for the native tests: PORVANE_SANITIZE=ON (the default) builds them with ASan+UBSan.
option(PORVANE_SANITIZE "Build native tests with AddressSanitizer and UBSan" ON)
add_library(porvane_sanitize INTERFACE)
if(PORVANE_SANITIZE)
    target_compile_options(porvane_sanitize INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                      -fno-sanitize-recover=undefined)
    target_link_options(porvane_sanitize INTERFACE -fsanitize=address,undefined)
endif()

# Where the win32 build leaves the packed payloads; native tests decode them when present.
set(PORVANE_WIN32_BUILD_DIR "" CACHE PATH "Binary folder of the win32 build")
