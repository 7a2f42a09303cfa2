# The platform-free units built natively for Linux (tests/native): their unit
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, and a fuzz
# target per parser. Built with the host's compilers by tools/native-build.sh
# when test.sh builds native_checks, after the Windows build rather than beside
# it: the two at once need more memory than the machine has. Each unit test
# and fuzz target is a test here.
set(OMBREL_NATIVE_DIR ${CMAKE_BINARY_DIR}/native)
file(GLOB_RECURSE native_inputs CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/library/*.cpp ${CMAKE_SOURCE_DIR}/library/*.h
  ${CMAKE_SOURCE_DIR}/game/*.cpp ${CMAKE_SOURCE_DIR}/game/*.h
  ${CMAKE_SOURCE_DIR}/tests/native/* ${CMAKE_SOURCE_DIR}/tests/fuzz/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/*.cpp ${CMAKE_SOURCE_DIR}/tests/*/*_test.cpp)
add_custom_command(OUTPUT ${OMBREL_NATIVE_DIR}/built.stamp
  COMMAND ${CMAKE_SOURCE_DIR}/tools/native-build.sh ${OMBREL_NATIVE_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${OMBREL_NATIVE_DIR}/built.stamp
  DEPENDS ${native_inputs} ${CMAKE_SOURCE_DIR}/tools/native-build.sh
  COMMENT "Native sanitizer and fuzz builds")
add_custom_target(native_checks DEPENDS ${OMBREL_NATIVE_DIR}/built.stamp)

include(${CMAKE_SOURCE_DIR}/tests/native/native_tests.cmake)
foreach(test IN LISTS native_tests)
  string(REPLACE "/" "_" name ${test})
  set(filter)
  if(DEFINED native_filter_${name})
    set(filter --gtest_filter=${native_filter_${name}})
  endif()
  add_test(NAME native_${name} COMMAND ${OMBREL_NATIVE_DIR}/unit/${name} ${filter}
    WORKING_DIRECTORY ${OMBREL_NATIVE_DIR}/unit)
endforeach()

foreach(test IN LISTS native_thread_tests)
  string(REPLACE "/" "_" name ${test})
  add_test(NAME native_thread_${name} COMMAND ${OMBREL_NATIVE_DIR}/thread/${name}
    WORKING_DIRECTORY ${OMBREL_NATIVE_DIR}/thread)
  # A report of ThreadSanitizer fails the test even when every case passed.
  set_tests_properties(native_thread_${name} PROPERTIES
    ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1:exitcode=66")
endforeach()

# About 20 seconds each; tools/run-fuzz.sh runs one for longer by hand.
set(OMBREL_FUZZ_SECONDS 20 CACHE STRING "seconds each fuzz target runs in the tests")
foreach(target archive lz bmp tga bgra dds png jpeg convert_blt sound map table framing ogg theora
    event_script)
  add_test(NAME fuzz_${target}
    COMMAND ${CMAKE_SOURCE_DIR}/tools/run-fuzz.sh ${OMBREL_NATIVE_DIR}/fuzz/${target}_fuzz
      ${target}_fuzz ${OMBREL_FUZZ_SECONDS})
  set_tests_properties(fuzz_${target} PROPERTIES TIMEOUT 300)
endforeach()
