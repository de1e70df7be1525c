# veldo_library(NAME [BASE folder] [DIRS dir...] [FILES file...] LINKS target...)
# A static library made of every .cpp and .qrc in the given source folders (globbed, so adding a
# file needs no CMake edit) and of the FILES. Its users see its own headers only (the folders'
# *.h and the FILES that are headers): they lie in an include root of its own,
# <build>/layers/NAME, as links under their paths below BASE (src unless given), e.g.
# layers/veldo_web/web/charset.h. So an include of a library not linked fails to compile.
function(veldo_library name)
  cmake_parse_arguments(ARG "" "BASE" "DIRS;FILES;LINKS" ${ARGN})
  if(NOT ARG_BASE)
    set(ARG_BASE src)
  endif()
  set(sources)
  set(headers)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.qrc)
    file(GLOB found_headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    list(APPEND sources ${found})
    list(APPEND headers ${found_headers})
  endforeach()
  foreach(file IN LISTS ARG_FILES)
    if(file MATCHES "\\.h$")
      list(APPEND headers ${CMAKE_SOURCE_DIR}/${file})
    else()
      list(APPEND sources ${CMAKE_SOURCE_DIR}/${file})
    endif()
  endforeach()

  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  set(wanted)
  foreach(header IN LISTS headers)
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR}/${ARG_BASE} ${header})
    list(APPEND wanted ${root}/${relative})
    get_filename_component(folder ${root}/${relative} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${header} ${root}/${relative} SYMBOLIC COPY_ON_ERROR)
  endforeach()
  # A header that moved away or was removed must not stay reachable from here.
  file(GLOB_RECURSE present LIST_DIRECTORIES false ${root}/*)
  foreach(file IN LISTS present)
    if(NOT file IN_LIST wanted)
      file(REMOVE ${file})
    endif()
  endforeach()
  file(MAKE_DIRECTORY ${root})

  if(NOT sources)
    # A folder that has no code yet still gives a target, so its users link.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${root})
    target_link_libraries(${name} INTERFACE ${ARG_LINKS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()

# veldo_test(NAME DIR dir LINKS target... [GUI] [OWN_PCH] [TIMEOUT seconds]
#            [PRIVATE_NETWORK pattern...])
# One GoogleTest program from every .cpp in tests/<dir>; each case becomes a ctest entry (a
# GTEST_SKIP shows as a skipped ctest entry). GUI programs get a main that creates a
# QApplication on the offscreen platform.
# OWN_PCH: a program whose compile flags differ from its kit's precompiles the headers itself.
# PRIVATE_NETWORK: the cases that bind fixed ports (the build's site hosts, 17380 and 17381),
# as gtest filter patterns, e.g. PRIVATE_NETWORK XvfbEndToEnd.* ; each runs in a network
# namespace of its own (cmake/run_in_private_network.sh), so nothing else can hold its ports.
function(veldo_test name)
  cmake_parse_arguments(ARG "GUI;OWN_PCH" "DIR;TIMEOUT" "LINKS;PRIVATE_NETWORK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE ${ARG_LINKS} veldo_testkit_gui GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LINKS} veldo_testkit GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
  veldo_test_precompile(${name} ${ARG_GUI} ${ARG_OWN_PCH})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  list(JOIN ARG_PRIVATE_NETWORK ":" private)
  if(private)
    set(shared_filter TEST_FILTER "-${private}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 ${shared_filter}
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS ${ARG_DIR}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy")
  if(private)
    # The launcher is read when the tests are discovered, so it applies to these cases only.
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
      ${CMAKE_SOURCE_DIR}/cmake/run_in_private_network.sh)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "${private}"
      PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS ${ARG_DIR}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy")
  endif()
endfunction()

# veldo_test_precompile(NAME GUI OWN): the test program NAME reuses the precompiled headers of
# its support kit (GoogleTest, the standard library, cpp-httplib; Qt Widgets and Qt Test for GUI
# programs), built once with the same flags, instead of parsing them in every test file; with
# OWN it precompiles the common ones for itself.
function(veldo_test_precompile name gui own)
  if(own)
    target_precompile_headers(${name} PRIVATE
      <chrono> <string> <thread> <vector> <gtest/gtest.h> <gmock/gmock.h> <httplib.h>)
  elseif(gui)
    target_precompile_headers(${name} REUSE_FROM veldo_testkit_gui)
  else()
    target_precompile_headers(${name} REUSE_FROM veldo_testkit)
  endif()
endfunction()
