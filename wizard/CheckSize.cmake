# Fails when PROGRAM has more than LIMIT bytes outside its resources, as MEASURE (scripts/pe-size.sh,
# which `make dist` prints too) counts them: code, data, imports, relocations, headers, padding.
#   cmake -DOBJDUMP=<objdump> -DMEASURE=<pe-size.sh> -DPROGRAM=<exe> -DLIMIT=<bytes> -P CheckSize.cmake
cmake_minimum_required(VERSION 3.20)

execute_process(COMMAND ${CMAKE_COMMAND} -E env OBJDUMP=${OBJDUMP} ${MEASURE} ${PROGRAM}
                OUTPUT_VARIABLE report RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT report MATCHES " ([0-9]+) outside \\.rsrc")
    message(FATAL_ERROR "${MEASURE} could not measure ${PROGRAM}: ${report}")
endif()
set(outside ${CMAKE_MATCH_1})
if(outside GREATER LIMIT)
    message(FATAL_ERROR "${PROGRAM} has ${outside} bytes outside .rsrc, over the limit of ${LIMIT}")
endif()
message(STATUS "${PROGRAM}: ${outside} bytes outside .rsrc, limit ${LIMIT}")
