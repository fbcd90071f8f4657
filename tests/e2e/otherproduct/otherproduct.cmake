# The installer of another product, Brindle (brindle.product beside this file, with its prebuilt
# files), written by the packer into the product-free installer as `make dist PRODUCT=...` writes
# one, its uninstaller made from the product-free one. Its end-to-end test drives it.
if(NOT TARGET porvane_install_helpers)
    return()
endif()
set(brindle_installer ${CMAKE_CURRENT_BINARY_DIR}/otherproduct/Porvane.exe)
add_custom_command(
    OUTPUT ${brindle_installer}
    COMMAND ${PORVANE_PACKER} build ${CMAKE_CURRENT_LIST_DIR}/brindle.product -o ${brindle_installer}
            --base $<TARGET_FILE:PorvaneBase> --uninstaller-base $<TARGET_FILE:TolvangrBase>
            --depfile ${brindle_installer}.d
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/brindle.product ${PORVANE_PACKER} PorvaneBase TolvangrBase
    DEPFILE ${brindle_installer}.d
    COMMENT "Writing Brindle into the product-free installer"
    VERBATIM)
add_custom_target(porvane_brindle_installer DEPENDS ${brindle_installer})

# The test program takes the installer helpers with this installer's path compiled in; it carries
# the default product, as the helpers read that product's manifest for their own constants (this
# test uses none of them, only the helpers' routines).
porvane_windows_path(brindle_exe_path ${brindle_installer})
porvane_windows_path(brindle_source_path ${CMAKE_CURRENT_LIST_DIR})
add_executable(porvane_otherproduct_e2e_tests ${CMAKE_CURRENT_LIST_DIR}/brindle_e2e_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/installer.cpp ${CMAKE_CURRENT_SOURCE_DIR}/install_helpers.cpp)
target_include_directories(porvane_otherproduct_e2e_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}
    ${CMAKE_SOURCE_DIR}/resources)
target_compile_definitions(porvane_otherproduct_e2e_tests PRIVATE PORVANE_EXE_PATH="${brindle_exe_path}"
    OTHER_PRODUCT_SOURCE_PATH="${brindle_source_path}"
    PORVANE_PRODUCT_BIN_PATH="${product_bin_path}" PORVANE_PRODUCT_TEXT_PATH="${product_text_path}")
target_link_libraries(porvane_otherproduct_e2e_tests PRIVATE porvane_driver porvane_product_loaded porvane_portable
    gtest_main shell32 ole32 uuid advapi32)
target_link_options(porvane_otherproduct_e2e_tests PRIVATE -static)
porvane_carries_product(porvane_otherproduct_e2e_tests)
add_dependencies(porvane_otherproduct_e2e_tests porvane_brindle_installer)
gtest_discover_tests(porvane_otherproduct_e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    PROPERTIES RESOURCE_GROUPS harness:1 TIMEOUT 180 COST 10)
