# The packer's core, shared by the native packer and the one built for Windows: every source of
# this folder but the programs' own mains.
file(GLOB porvane_packer_core_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
list(REMOVE_ITEM porvane_packer_core_sources ${CMAKE_CURRENT_LIST_DIR}/main.cpp
     ${CMAKE_CURRENT_LIST_DIR}/damage.cpp)
