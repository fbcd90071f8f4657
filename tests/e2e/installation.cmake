# The installation tests' helpers (linked into porvane_e2e_tests), the unattended installation of
# `make run` without a display, the installation timing of `make bench` and the signed installer's
# test, and the installer written by porvane-pack build into the product-free installer.
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
    target_link_libraries(porvane_unattended PRIVATE porvane_install_helpers porvane_payloads porvane_payloads_loaded comctl32)
    target_link_options(porvane_unattended PRIVATE -static)
    add_dependencies(porvane_unattended Porvane)

    # The installer signed with a throwaway certificate verifies and still installs.
    add_test(NAME PorvaneSignedInstallerVerifiesAndInstalls
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/signed_install.sh $<TARGET_FILE:Porvane>
                     $<TARGET_FILE:porvane_unattended> ${CMAKE_CURRENT_BINARY_DIR}/signed)
    set_tests_properties(PorvaneSignedInstallerVerifiesAndInstalls PROPERTIES
        RESOURCE_GROUPS harness:1 COST 10 TIMEOUT 300 ENVIRONMENT WINE_ROOT=${PORVANE_WINE_ROOT})

    # The same product written by `porvane-pack build` into the product-free installer goes through
    # a whole default installation too, with the uninstaller the packer makes from the product-free
    # one. The packing run's stamp stands for the files it reads.
    set(packed_installer ${CMAKE_BINARY_DIR}/tests/Porvane-packed.exe)
    add_custom_command(
        OUTPUT ${packed_installer}
        COMMAND ${PORVANE_PACKER} build ${PORVANE_PRODUCT} -o ${packed_installer}
                --inputs ${PORVANE_PRODUCT_BIN_DIR} --inputs ${CMAKE_SOURCE_DIR}
                --base $<TARGET_FILE:PorvaneBase> --uninstaller-base $<TARGET_FILE:TolvangrBase>
        DEPENDS PorvaneBase TolvangrBase ${PORVANE_PACKER} ${PORVANE_GENERATED_DIR}/packer.stamp
        COMMENT "Writing the product into the product-free installer"
        VERBATIM)
    add_custom_target(porvane_packed_installer ALL DEPENDS ${packed_installer})
    porvane_windows_path(packed_installer_path ${packed_installer})
    add_test(NAME PorvanePackedInstallerInstalls COMMAND porvane_unattended --installer ${packed_installer_path})
    set_tests_properties(PorvanePackedInstallerInstalls PROPERTIES
        RESOURCE_GROUPS harness:1 COST 10 TIMEOUT 300 ENVIRONMENT WINE_ROOT=${PORVANE_WINE_ROOT})
endif()
