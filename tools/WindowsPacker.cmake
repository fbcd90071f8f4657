# porvane-pack.exe: the packer built for Windows from the same sources as the native one, for
# publishers who package on a Windows machine. It is ordinary host code: the installer's size
# flags and start-up do not apply.
# It carries this build's product-free installer and uninstaller, as the packer `make dist` leaves
# for Linux does.
include(${CMAKE_CURRENT_LIST_DIR}/packer/sources.cmake)
set(carried ${CMAKE_BINARY_DIR}/generated/carried_programs.cpp)
porvane_embed_programs(${carried} $<TARGET_FILE:PorvaneBase> $<TARGET_FILE:TolvangrBase> PorvaneBase TolvangrBase)
add_executable(porvane_pack_windows ${porvane_packer_core_sources} ${CMAKE_CURRENT_LIST_DIR}/packer/main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lzhuf_encoder.cpp ${carried})
set_target_properties(porvane_pack_windows PROPERTIES OUTPUT_NAME porvane-pack)
target_include_directories(porvane_pack_windows PRIVATE ${CMAKE_CURRENT_LIST_DIR}/packer ${CMAKE_CURRENT_LIST_DIR}
                                                    ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(porvane_pack_windows PRIVATE porvane_portable)
target_link_options(porvane_pack_windows PRIVATE -static -s)
