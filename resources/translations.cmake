# Translations: every area keeps its own pair of .ts files (translations/<area>_zh.ts and
# translations/<area>_en.ts); lrelease merges each language into one .qm beside the program.
# The .ts files are never rewritten by a normal build: `cmake --build <dir> --target lupdate`
# refreshes them on request.
get_target_property(VAZUV_LRELEASE Qt5::lrelease IMPORTED_LOCATION)
get_target_property(VAZUV_LUPDATE Qt5::lupdate IMPORTED_LOCATION)
set(_qms)
foreach(lang zh en)
  file(GLOB _ts CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/translations/*_${lang}.ts)
  list(SORT _ts)
  set(_qm ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/halvoran_${lang}.qm)
  add_custom_command(OUTPUT ${_qm}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    COMMAND ${VAZUV_LRELEASE} -silent ${_ts} -qm ${_qm}
    DEPENDS ${_ts}
    COMMENT "lrelease halvoran_${lang}.qm")
  list(APPEND _qms ${_qm})
endforeach()
add_custom_target(vazuv_translations ALL DEPENDS ${_qms})

# lupdate on request: scans each source file into the one pair of .ts files that holds its
# texts (lupdate.cmake tells how it is chosen). New texts appear unfinished until translated.
add_custom_target(lupdate
  COMMAND ${CMAKE_COMMAND} -DLUPDATE=${VAZUV_LUPDATE} -DSRC=${PROJECT_SOURCE_DIR}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/lupdate.cmake
  COMMENT "lupdate: refreshing the .ts files"
  VERBATIM)
