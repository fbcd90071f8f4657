# The installer of another product, Brindle (brindle.product beside this file, with its prebuilt
# files), built by the same rules as `make dist PRODUCT=...`: a win32 tree of its own in this
# build, without tests, of which only the installer is built. Its end-to-end test drives it.
if(NOT TARGET porvane_install_helpers)
    return()
endif()
include(ExternalProject)
set(brindle_tree ${CMAKE_CURRENT_BINARY_DIR}/otherproduct)
ExternalProject_Add(porvane_brindle_installer
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${brindle_tree}
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-i686.cmake
               -DPORVANE_PACKER=${PORVANE_PACKER}
               -DPORVANE_PRODUCT=${CMAKE_CURRENT_LIST_DIR}/brindle.product
               -DPORVANE_TESTS=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${brindle_tree} --target Porvane
    BUILD_BYPRODUCTS ${brindle_tree}/wizard/Porvane.exe
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)

# The test program takes the installer helpers with this installer's path compiled in.
porvane_windows_path(brindle_exe_path ${brindle_tree}/wizard/Porvane.exe)
porvane_windows_path(brindle_source_path ${CMAKE_CURRENT_LIST_DIR})
add_executable(porvane_otherproduct_e2e_tests ${CMAKE_CURRENT_LIST_DIR}/brindle_e2e_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/installer.cpp ${CMAKE_CURRENT_SOURCE_DIR}/install_helpers.cpp)
target_include_directories(porvane_otherproduct_e2e_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}
    ${CMAKE_SOURCE_DIR}/resources)
target_compile_definitions(porvane_otherproduct_e2e_tests PRIVATE PORVANE_EXE_PATH="${brindle_exe_path}"
    OTHER_PRODUCT_SOURCE_PATH="${brindle_source_path}"
    PORVANE_PRODUCT_BIN_PATH="${product_bin_path}" PORVANE_PRODUCT_TEXT_PATH="${product_text_path}")
# The helpers read the default product's manifest for their own constants; this test uses none of
# them, only the helpers' routines.
target_link_libraries(porvane_otherproduct_e2e_tests PRIVATE porvane_driver porvane_payloads porvane_payloads_loaded porvane_portable
    gtest_main shell32 ole32 uuid advapi32)
target_link_options(porvane_otherproduct_e2e_tests PRIVATE -static)
add_dependencies(porvane_otherproduct_e2e_tests porvane_brindle_installer)
gtest_discover_tests(porvane_otherproduct_e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES RESOURCE_GROUPS harness:1 TIMEOUT 180 COST 10)
