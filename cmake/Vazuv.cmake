# vazuv_library(<target> [DEPS <targets...>] [PUBLIC_QT <components...>])
# One static library per source folder; its sources are every .cpp/.h/.ui/.qrc file in the folder.
function(vazuv_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;QT" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
    ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${target} STATIC ${_src})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  set(_qt)
  foreach(c ${ARG_QT})
    list(APPEND _qt Qt5::${c})
  endforeach()
  target_link_libraries(${target} PUBLIC ${ARG_DEPS} ${_qt})
  set_target_properties(${target} PROPERTIES AUTOUIC_SEARCH_PATHS ${CMAKE_CURRENT_SOURCE_DIR})
  vazuv_autogen_listing(${target} ${_src})
endfunction()

# vazuv_autogen_listing(<target> <globbed files...>)
# With Ninja, the moc/uic step of a target reruns only when a file it scanned before changes,
# so a file added to a globbed folder later was never scanned: its ui_*.h was never made and
# its Q_OBJECT class never moc'ed, in an existing build folder. This header lists the files,
# is rewritten only when the list changes, and is scanned with the rest, so a new file makes
# the step rerun.
function(vazuv_autogen_listing target)
  string(REPLACE ";" "\n// " _list "${ARGN}")
  set(_listing ${CMAKE_CURRENT_BINARY_DIR}/${target}_files.h)
  file(CONFIGURE OUTPUT ${_listing} CONTENT "// ${_list}\n" @ONLY)
  target_sources(${target} PRIVATE ${_listing})
endfunction()

# vazuv_test(<name> SOURCES <files...> LIBS <targets...> [TIMEOUT s] [RUN_SERIAL])
# A QtTest executable run by ctest; widgets use the offscreen platform.
function(vazuv_test name)
  cmake_parse_arguments(ARG "RUN_SERIAL" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt5::Test)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${ARG_TIMEOUT}
    WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VAZUV_SOURCE_DIR=${PROJECT_SOURCE_DIR};VAZUV_BINARY_DIR=${CMAKE_BINARY_DIR};VAZUV_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  if(ARG_RUN_SERIAL)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
