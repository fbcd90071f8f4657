# The installation tests' helpers (linked into porvane_e2e_tests), the unattended installation of
# `make run` without a display, the installation timing of `make bench` and the signed installer's
# test.
if(TARGET porvane_e2e_tests)
    # Where the payloads come from, to compare the installed files with, byte for byte.
    porvane_windows_path(product_bin_path ${PORVANE_PRODUCT_BIN_DIR})
    porvane_windows_path(product_text_path ${CMAKE_SOURCE_DIR}/product/text)
    add_library(porvane_install_helpers STATIC install_helpers.cpp)
    target_compile_definitions(porvane_install_helpers PRIVATE
        PORVANE_PRODUCT_BIN_PATH="${product_bin_path}" PORVANE_PRODUCT_TEXT_PATH="${product_text_path}")
    target_link_libraries(porvane_install_helpers PUBLIC porvane_installer_driver shell32 ole32 uuid advapi32)
    target_link_libraries(porvane_e2e_tests PRIVATE porvane_install_helpers)

    # porvane_unattended.exe: one default installation without a person, with pictures and a
    # report of what landed where, or timed (--bench).
    add_executable(porvane_unattended unattended.cpp)
    target_link_libraries(porvane_unattended PRIVATE porvane_install_helpers porvane_product_loaded comctl32)
    target_link_options(porvane_unattended PRIVATE -static)
    porvane_carries_product(porvane_unattended)

    # The installer signed with a throwaway certificate verifies and still installs.
    add_test(NAME PorvaneSignedInstallerVerifiesAndInstalls
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/signed_install.sh ${PORVANE_INSTALLER}
                     $<TARGET_FILE:porvane_unattended> ${CMAKE_CURRENT_BINARY_DIR}/signed)
    set_tests_properties(PorvaneSignedInstallerVerifiesAndInstalls PROPERTIES
        RESOURCE_GROUPS harness:1 COST 10 TIMEOUT 300 ENVIRONMENT WINE_ROOT=${PORVANE_WINE_ROOT})

    # The installer the packer wrote goes through a whole default installation without a person,
    # with the uninstaller the packer made from the product-free one.
    porvane_windows_path(packed_installer_path ${PORVANE_INSTALLER})
    add_test(NAME PorvanePackedInstallerInstalls COMMAND porvane_unattended --installer ${packed_installer_path})
    set_tests_properties(PorvanePackedInstallerInstalls PROPERTIES
        RESOURCE_GROUPS harness:1 COST 10 TIMEOUT 300 ENVIRONMENT WINE_ROOT=${PORVANE_WINE_ROOT})
endif()
