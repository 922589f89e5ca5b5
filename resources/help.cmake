# The user guide: resources/help/ copied beside the program as help/ (opened in the system's
# viewer), and help.chm compiled from it where a CHM compiler (chmcmd) exists.
file(GLOB _help_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/help/*)
set(_help_out ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/help)
set(_help_stamp ${CMAKE_CURRENT_BINARY_DIR}/help.stamp)
find_program(VAZUV_CHMCMD chmcmd)
set(_chm_commands)
if(VAZUV_CHMCMD)
  set(_chm_work ${CMAKE_CURRENT_BINARY_DIR}/chm)
  set(_chm_commands
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_chm_work}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_CURRENT_SOURCE_DIR}/help ${_chm_work}
    COMMAND ${CMAKE_COMMAND} -E chdir ${_chm_work} ${VAZUV_CHMCMD} help.hhp
    COMMAND ${CMAKE_COMMAND} -E copy ${_chm_work}/help.chm ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/help.chm)
endif()
add_custom_command(OUTPUT ${_help_stamp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_help_out}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_CURRENT_SOURCE_DIR}/help ${_help_out}
  ${_chm_commands}
  COMMAND ${CMAKE_COMMAND} -E touch ${_help_stamp}
  DEPENDS ${_help_files}
  COMMENT "Copying the user guide"
  VERBATIM)
add_custom_target(vazuv_help ALL DEPENDS ${_help_stamp})
