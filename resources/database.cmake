# The shipped empty database: resources/database/schema.sql built into DAQ-Vemka.db3 beside the
# program. VAZUV_EMPTY_DB (cache variable and global property) holds its path; the target
# vazuv_empty_db builds it, so the program's resources and the tests can depend on it.
find_program(VAZUV_SQLITE3 sqlite3)
if(NOT VAZUV_SQLITE3)
  message(FATAL_ERROR "sqlite3 (the command-line tool) is needed to build the shipped database: run scripts/deps.sh")
endif()
set(_schema ${CMAKE_CURRENT_SOURCE_DIR}/database/schema.sql)
set(VAZUV_EMPTY_DB ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/DAQ-Vemka.db3 CACHE INTERNAL "The shipped empty database")
set_property(GLOBAL PROPERTY VAZUV_EMPTY_DB ${VAZUV_EMPTY_DB})
set(_tmpdb ${CMAKE_CURRENT_BINARY_DIR}/DAQ-Vemka.db3.new)
add_custom_command(OUTPUT ${VAZUV_EMPTY_DB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${_tmpdb}
  COMMAND ${VAZUV_SQLITE3} -bail ${_tmpdb} ".read '${_schema}'"
  COMMAND ${CMAKE_COMMAND} -E rename ${_tmpdb} ${VAZUV_EMPTY_DB}
  DEPENDS ${_schema}
  COMMENT "Building the empty database DAQ-Vemka.db3"
  VERBATIM)
add_custom_target(vazuv_empty_db ALL DEPENDS ${VAZUV_EMPTY_DB})
