# cmake -DSOURCE_DIR=... -DBINARY_DIR=... -DPython3_EXECUTABLE=...
#       -DQZ_WARNINGS_AS_ERRORS=... -P build_windows32.cmake
#
# Builds the 32-bit modules for the 64-bit build's package, in the windows32
# preset's own folder and as that preset configures it, so that
# `cmake --build --preset windows32` then finds them built.
if(NOT EXISTS ${BINARY_DIR}/CMakeCache.txt)
  execute_process(
    COMMAND ${CMAKE_COMMAND} --preset windows32 -DPython3_EXECUTABLE=${Python3_EXECUTABLE}
            -DQZ_WARNINGS_AS_ERRORS=${QZ_WARNINGS_AS_ERRORS}
    WORKING_DIRECTORY ${SOURCE_DIR}
    COMMAND_ERROR_IS_FATAL ANY)
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --target qz_modules
                COMMAND_ERROR_IS_FATAL ANY)
