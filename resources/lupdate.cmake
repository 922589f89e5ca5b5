# Script for the `lupdate` target: one pair of .ts files per source folder.
foreach(area platform store devices drivers config acquisition calibration reports app)
  if(EXISTS ${SRC}/${area})
    foreach(lang zh_CN en)
      string(SUBSTRING ${lang} 0 2 short)
      execute_process(COMMAND ${LUPDATE} -silent -no-obsolete -locations none
                      -source-language zh_CN -target-language ${lang} ${SRC}/${area}
                      -ts ${SRC}/resources/translations/${area}_${short}.ts)
    endforeach()
  endif()
endforeach()
