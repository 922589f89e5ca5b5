# Script for the `lupdate` target: refreshes resources/translations/<name>_en.ts and makes sure
# <name>_zh.ts exists (Chinese is the source language, so it stays without messages).
#   cmake -DLUPDATE=<lupdate> -DSRC=<source dir> -P lupdate.cmake
# A folder's texts may be kept in more than one pair of files (store_*.ts and shell-store_*.ts
# both hold texts of store/). Each source file is scanned into exactly one pair, so that no
# text is listed twice:
#   1. the pairs that belong to the file's folder: the one named after the folder and those
#      whose name has the folder as one of its dash-separated words (shell-store -> store);
#   2. among them, the pair that already holds the file's class: a context equal to the file's
#      base name or to the base name + "Class" (designer forms), else the longest context the
#      base name starts with (SystemSetBackup -> SystemSet);
#   3. otherwise the pair named after the folder.
# resources/CMakeLists.txt includes every .cmake file here: as an include this one does nothing.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  return()
endif()
cmake_minimum_required(VERSION 3.24)
if(NOT LUPDATE OR NOT SRC)
  message(FATAL_ERROR "usage: cmake -DLUPDATE=<lupdate> -DSRC=<source dir> -P lupdate.cmake")
endif()
set(_tsdir ${SRC}/resources/translations)
set(_areas platform store devices drivers config acquisition calibration reports app)
set(_empty_zh "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\" language=\"zh_CN\" sourcelanguage=\"zh_CN\">\n</TS>\n")

# Contexts already held by each pair (read from its English file).
file(GLOB _known ${_tsdir}/*_en.ts)
set(_names)
foreach(ts ${_known})
  get_filename_component(_file ${ts} NAME)
  string(REGEX REPLACE "_en\\.ts$" "" _name ${_file})
  list(APPEND _names ${_name})
  file(STRINGS ${ts} _lines REGEX "<name>[^<]*</name>")
  set(_contexts_${_name})
  foreach(line ${_lines})
    string(REGEX REPLACE ".*<name>([^<]*)</name>.*" "\\1" _context "${line}")
    list(APPEND _contexts_${_name} ${_context})
  endforeach()
endforeach()

foreach(area ${_areas})
  if(NOT EXISTS ${SRC}/${area})
    continue()
  endif()
  # Pairs of this folder: the folder's own first.
  set(_pairs ${area})
  foreach(name ${_names})
    string(REPLACE "-" ";" _words ${name})
    if(NOT name STREQUAL area AND area IN_LIST _words)
      list(APPEND _pairs ${name})
    endif()
  endforeach()
  foreach(name ${_pairs})
    set(_files_${name})
  endforeach()

  file(GLOB_RECURSE _sources ${SRC}/${area}/*.cpp ${SRC}/${area}/*.h ${SRC}/${area}/*.ui)
  list(SORT _sources)
  foreach(source ${_sources})
    get_filename_component(_base ${source} NAME_WE)
    set(_owner "")
    foreach(name ${_pairs})
      if(_base IN_LIST _contexts_${name} OR "${_base}Class" IN_LIST _contexts_${name})
        set(_owner ${name})
        break()
      endif()
    endforeach()
    if(NOT _owner)
      set(_longest 0)
      foreach(name ${_pairs})
        foreach(context ${_contexts_${name}})
          string(LENGTH "${context}" _length)
          string(FIND "${_base}" "${context}" _at)
          if(_at EQUAL 0 AND _length GREATER _longest AND NOT context STREQUAL "QObject")
            set(_longest ${_length})
            set(_owner ${name})
          endif()
        endforeach()
      endforeach()
    endif()
    if(NOT _owner)
      set(_owner ${area})
    endif()
    list(APPEND _files_${_owner} ${source})
  endforeach()

  foreach(name ${_pairs})
    if(NOT _files_${name})
      continue()
    endif()
    execute_process(COMMAND ${LUPDATE} -silent -no-obsolete -locations none
                            -source-language zh_CN -target-language en
                            ${_files_${name}} -ts ${_tsdir}/${name}_en.ts
                    RESULT_VARIABLE _result)
    if(NOT _result EQUAL 0)
      message(FATAL_ERROR "lupdate failed for ${name}_en.ts")
    endif()
    # Chinese is the source language: the Chinese file of a pair lists no messages.
    if(NOT EXISTS ${_tsdir}/${name}_zh.ts)
      file(WRITE ${_tsdir}/${name}_zh.ts "${_empty_zh}")
    endif()
  endforeach()
endforeach()
