# Fails unless PROGRAM keeps address-space randomisation and DEP: the DYNAMIC_BASE and NX_COMPAT
# flags, and the .reloc section without which the loader cannot move the image after all.
#   cmake -DOBJDUMP=<objdump> -DPROGRAM=<exe> -P CheckHardening.cmake
cmake_minimum_required(VERSION 3.20)

execute_process(COMMAND ${OBJDUMP} -h -p ${PROGRAM} OUTPUT_VARIABLE headers RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
foreach(flag DYNAMIC_BASE NX_COMPAT)
    if(NOT headers MATCHES "\n[ \t]+${flag}\n")
        message(FATAL_ERROR "${PROGRAM} lacks the ${flag} flag")
    endif()
endforeach()
if(NOT headers MATCHES "\n +[0-9]+ \\.reloc +[0-9a-f]+ ")
    message(FATAL_ERROR "${PROGRAM} has no .reloc section: the loader cannot move it")
endif()
message(STATUS "${PROGRAM}: DYNAMIC_BASE, NX_COMPAT, .reloc")
