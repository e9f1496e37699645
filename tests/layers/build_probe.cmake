# Configures and builds the upward-include probe in PROBE_TREE (cmake -P), printing what the
# compiler says; the test looks for the missing header in that output.
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${PROBE_SOURCE}" -B "${PROBE_TREE}" -G Ninja
                        "-DCMAKE_CXX_COMPILER=${PROBE_CXX}" "-DPROBE_INCLUDES=${PROBE_INCLUDES}"
                RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "the probe's build tree could not be configured")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${PROBE_TREE}" RESULT_VARIABLE built)
if(built EQUAL 0)
  message(FATAL_ERROR "the probe compiled: an include of a higher layer was found")
endif()
