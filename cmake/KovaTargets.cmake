# Helpers that turn one source folder into one library and one test folder into one test program.
# Each folder of src/ is a library of its own, so that a change in one layer rebuilds only what
# stands on it.

function(kova_add_library name)
  cmake_parse_arguments(ARG "" "" "FOLDERS;DEPENDS" ${ARGN})
  set(sources "")
  set(headers "")
  foreach(folder IN LISTS ARG_FOLDERS)
    file(GLOB folder_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp")
    file(GLOB folder_headers CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/${folder}/*.h")
    list(APPEND sources ${folder_sources})
    list(APPEND headers ${folder_headers})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src"
                                              "${PROJECT_BINARY_DIR}/generated")
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}/src"
                                                 "${PROJECT_BINARY_DIR}/generated")
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
  endif()
endfunction()

# One test program per folder of tests/, registered test by test with CTest.
function(kova_add_test_folder folder)
  cmake_parse_arguments(ARG "" "" "LIBRARIES;PROPERTIES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp")
  if(NOT sources)
    return()
  endif()
  string(REPLACE "/" "_" target "test_${folder}")
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE kova_test_support ${ARG_LIBRARIES} GTest::gtest
                                          GTest::gmock)
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 600 ${ARG_PROPERTIES}
               ENVIRONMENT "KOVA_SAMPLES_DIR=${KOVA_SAMPLES_DIR};QT_QPA_PLATFORM=offscreen")
endfunction()
