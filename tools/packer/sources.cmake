# The packer's core, shared by the native packer and the one built for Windows: every source of
# this folder but the programs' own mains and what the packer carries (embedded.h): nothing for the
# build's own packer (porvane_packer_carries_nothing), the product-free programs for the packers
# `make dist` leaves (porvane_embed_programs).
file(GLOB porvane_packer_core_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
set(porvane_packer_carries_nothing ${CMAKE_CURRENT_LIST_DIR}/embedded_none.cpp)
list(REMOVE_ITEM porvane_packer_core_sources ${CMAKE_CURRENT_LIST_DIR}/main.cpp
     ${CMAKE_CURRENT_LIST_DIR}/damage.cpp ${porvane_packer_carries_nothing})

# Generates `output`, the source that carries the product-free installer `installer` (and the
# uninstaller `uninstaller`, when not empty), after the targets in ARGN.
function(porvane_embed_programs output installer uninstaller)
    set(uninstaller_option)
    if(uninstaller)
        set(uninstaller_option -DUNINSTALLER=${uninstaller})
    endif()
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} -DINSTALLER=${installer} ${uninstaller_option}
                -P ${CMAKE_SOURCE_DIR}/cmake/EmbedPrograms.cmake
        DEPENDS ${installer} ${uninstaller} ${ARGN} ${CMAKE_SOURCE_DIR}/cmake/EmbedPrograms.cmake
        COMMENT "Carrying the product-free programs in the packer"
        VERBATIM)
endfunction()
