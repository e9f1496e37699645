# Helpers that turn one source folder into one library and one test folder into one test program.
# Each folder of src/ is a library of its own, so that a change in one layer rebuilds only what
# stands on it.

# Gives a target the include root of one folder of src/: a folder of the build tree that holds
# only a link <folder> -> src/<folder>. A library sees its own headers, spelt "<folder>/name.h",
# and through its links those of the libraries below it; any other folder of src/ is not found.
function(kova_include_root target folder)
  set(root "${PROJECT_BINARY_DIR}/include-roots/${target}")
  get_filename_component(link_parent "${root}/${folder}" DIRECTORY)
  file(MAKE_DIRECTORY "${link_parent}")
  if(NOT IS_SYMLINK "${root}/${folder}")
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/src/${folder}" "${root}/${folder}" SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE "${root}")
  else()
    target_include_directories(${target} PUBLIC "${root}")
  endif()
endfunction()

# Records that a target is the library of a folder of src/, for the layer check
# (tests/layers/), which compares these links with the layer list of docs/ARCHITECTURE.md.
function(kova_layer target folder)
  set_property(GLOBAL APPEND PROPERTY KOVA_LAYER_TARGETS "${target}")
  set_property(GLOBAL PROPERTY KOVA_LAYER_FOLDER_${target} "${folder}")
endfunction()

# Writes <build>/layers/links.txt: one line "folder: folders it links", in the layer list's form.
function(kova_write_layer_links)
  get_property(targets GLOBAL PROPERTY KOVA_LAYER_TARGETS)
  set(text "")
  foreach(target IN LISTS targets)
    get_property(folder GLOBAL PROPERTY KOVA_LAYER_FOLDER_${target})
    get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
    set(below "")
    foreach(link IN LISTS links)
      get_property(link_folder GLOBAL PROPERTY KOVA_LAYER_FOLDER_${link})
      if(link_folder)
        list(APPEND below "${link_folder}")
      endif()
    endforeach()
    list(SORT below)
    list(JOIN below " " below)
    string(APPEND text "${folder}: ${below}\n")
  endforeach()
  file(WRITE "${PROJECT_BINARY_DIR}/layers/links.txt" "${text}")
endfunction()

# kova_add_library(name FOLDERS folder [subfolder...] DEPENDS ...): the library of src/<folder>
# (and of the subfolders named after it), with <folder> as its include root.
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
  list(GET ARG_FOLDERS 0 root_folder)
  if(sources)
    add_library(${name} STATIC ${sources} ${headers})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
  endif()
  kova_include_root(${name} ${root_folder})
  kova_layer(${name} ${root_folder})
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
