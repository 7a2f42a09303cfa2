# Runs the map generator into a scratch folder and compares its output with
# the map files committed under data/map, so the two cannot drift apart.
set(out ${BINARY_DIR}/test-work/tools_mapgen_output)
file(REMOVE_RECURSE ${out})
file(MAKE_DIRECTORY ${out}/maps)
execute_process(COMMAND ${WINE_RUN} --state ${WINE_STATE} --capture -- ${MAPGEN} maps
  WORKING_DIRECTORY ${out} RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE text)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "mapgen failed (${rc}):\n${text}")
endif()
foreach(map room.map town.map field.map)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${out}/maps/${map}
    ${SOURCE_DIR}/data/map/${map} RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "data/map/${map} differs from what tools/mapgen.cpp writes; run it again")
  endif()
endforeach()
message(STATUS "committed maps match the generator")
