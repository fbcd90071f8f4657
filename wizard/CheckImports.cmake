# Fails unless every DLL that PROGRAM imports is one of the system's known DLLs, which the loader
# takes from the system folder whatever folder the program was started from.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<exe> -P CheckImports.cmake
cmake_minimum_required(VERSION 3.20)
set(known ADVAPI32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL SHELL32.DLL USER32.DLL)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE headers RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
if(NOT imports)
    message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
foreach(line IN LISTS imports)
    string(REPLACE "DLL Name: " "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOUPPER "${dll}" dll)
    if(NOT dll IN_LIST known)
        message(FATAL_ERROR "${PROGRAM} imports ${dll}, which the loader may take from the program's folder")
    endif()
    message(STATUS "imports ${dll}")
endforeach()
