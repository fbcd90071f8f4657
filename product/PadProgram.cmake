# Copies a linked program to OUTPUT and pads it with zero bytes (an overlay, which the loader
# ignores) to exactly SIZE bytes. The installer's file table fixes every program's size, so a
# program that has outgrown its size stops the build here.
#   cmake -DINPUT=linked.exe -DOUTPUT=padded.exe -DSIZE=bytes -P PadProgram.cmake
cmake_minimum_required(VERSION 3.21)

file(SIZE "${INPUT}" linked)
if(linked GREATER SIZE)
    message(FATAL_ERROR "${INPUT} is ${linked} bytes, more than the ${SIZE} bytes the installer's file table fixes for it")
endif()

# Padding goes to a temporary name, so OUTPUT is never a short program.
set(temporary "${OUTPUT}.padding")
file(COPY_FILE "${INPUT}" "${temporary}")
execute_process(COMMAND truncate --size=${SIZE} "${temporary}" RESULT_VARIABLE failed)
file(SIZE "${temporary}" padded)
if(failed OR NOT padded EQUAL SIZE)
    file(REMOVE "${temporary}")
    message(FATAL_ERROR "could not pad ${INPUT} to ${SIZE} bytes")
endif()
file(RENAME "${temporary}" "${OUTPUT}")
