# Installs the kit into the build folder, then builds and runs a small program
# that finds it with find_package(Ombrel) as another game would.
set(kit ${BINARY_DIR}/kit-check/prefix)
set(work ${BINARY_DIR}/kit-check/consumer)
file(REMOVE_RECURSE ${BINARY_DIR}/kit-check)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${kit})
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/kit/consumer -B ${work}
  -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -DCMAKE_PREFIX_PATH=${kit} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${work})
run(${WINE_RUN} --state ${WINE_STATE} --capture -- ${work}/kit_consumer.exe)
message(STATUS "kit consumer built and ran")
