# Checks the direction between the folders: every quoted include of a source file names a folder
# that its own folder may use, and no folder below the programs includes a Qt header (directly or
# through a header of platform/ that does).
#   cmake -DROOT=<source tree> -P check_layers.cmake
# Prints each include that runs against the direction and fails when there is one.

if(NOT ROOT)
  message(FATAL_ERROR "check_layers: ROOT is not set")
endif()

# A folder and the folders it may include, its own among them. The first matching prefix counts.
set(_layers
  "engine/base"   "engine/base platform"
  "engine/files"  "engine/files engine/base platform"
  "engine/store"  "engine/store engine/files engine/base platform"
  "engine/render" "engine/render engine/files engine/base platform"
  "engine/mesh"   "engine/mesh engine/render engine/store engine/files engine/base platform"
  "engine/world"  "engine/world engine/mesh engine/store engine/files engine/base platform"
  "engine/gui"    "engine/gui engine/base platform"
  "engine/sound"  "engine/sound engine/files engine/base platform"
  "script"        "script engine platform"
  "network"       "network script engine platform"
  "economy"       "economy network script engine platform"
  "apps/common"   "apps/common economy network script engine platform"
  "apps/vadrel"   "apps/vadrel apps/common economy network script engine platform"
  "apps/brumin"   "apps/brumin apps/common economy network script engine platform"
  "platform"      "platform"
)
# Folders that build and test without a display: no Qt below the programs.
set(_qt_free engine script network economy)

# The folder of a path inside the tree: the longest layer name that starts it.
function(_layer_of path out)
  set(_found "")
  list(LENGTH _layers _n)
  math(EXPR _last "${_n} - 1")
  foreach(_i RANGE 0 ${_last} 2)
    list(GET _layers ${_i} _name)
    string(LENGTH "${_name}" _len)
    string(SUBSTRING "${path}" 0 ${_len} _head)
    string(LENGTH "${path}" _plen)
    if(_head STREQUAL _name AND _plen GREATER _len)
      string(SUBSTRING "${path}" ${_len} 1 _sep)
      if(_sep STREQUAL "/")
        string(LENGTH "${_found}" _flen)
        if(_len GREATER _flen)
          set(_found "${_name}")
        endif()
      endif()
    endif()
  endforeach()
  set(${out} "${_found}" PARENT_SCOPE)
endfunction()

function(_allowed_of layer out)
  list(FIND _layers "${layer}" _i)
  math(EXPR _i "${_i} + 1")
  list(GET _layers ${_i} _allowed)
  string(REPLACE " " ";" _allowed "${_allowed}")
  set(${out} "${_allowed}" PARENT_SCOPE)
endfunction()

# The headers of platform/ that include Qt.
set(_qt_headers "")
file(GLOB _platform_headers RELATIVE "${ROOT}" "${ROOT}/platform/*.h")
foreach(_h ${_platform_headers})
  file(STRINGS "${ROOT}/${_h}" _qt REGEX "^[ \t]*#[ \t]*include[ \t]*<Q")
  if(_qt)
    list(APPEND _qt_headers "${_h}")
  endif()
endforeach()

set(_faults 0)
set(_files "")
foreach(_top engine script network economy apps platform)
  file(GLOB_RECURSE _found RELATIVE "${ROOT}" "${ROOT}/${_top}/*.h" "${ROOT}/${_top}/*.cpp")
  list(APPEND _files ${_found})
endforeach()

foreach(_file ${_files})
  _layer_of("${_file}" _layer)
  if(NOT _layer)
    message("${_file}: lies in no known folder")
    math(EXPR _faults "${_faults} + 1")
    continue()
  endif()
  _allowed_of("${_layer}" _allowed)
  string(REGEX MATCH "^[^/]+" _top "${_file}")
  list(FIND _qt_free "${_top}" _no_qt)
  file(STRINGS "${ROOT}/${_file}" _includes REGEX "^[ \t]*#[ \t]*include")
  foreach(_line ${_includes})
    if(_line MATCHES "include[ \t]*\"([^\"]+)\"")
      set(_target "${CMAKE_MATCH_1}")
      if(NOT _target MATCHES "/")
        continue()  # a header beside the file
      endif()
      set(_ok FALSE)
      foreach(_a ${_allowed})
        string(LENGTH "${_a}/" _alen)
        string(SUBSTRING "${_target}" 0 ${_alen} _head)
        if(_head STREQUAL "${_a}/")
          set(_ok TRUE)
        endif()
      endforeach()
      if(NOT _ok)
        message("${_file}: includes \"${_target}\" against the direction of ${_layer}")
        math(EXPR _faults "${_faults} + 1")
      elseif(_no_qt GREATER -1)
        list(FIND _qt_headers "${_target}" _qt)
        if(_qt GREATER -1)
          message("${_file}: includes \"${_target}\", which includes Qt")
          math(EXPR _faults "${_faults} + 1")
        endif()
      endif()
    elseif(_no_qt GREATER -1 AND _line MATCHES "include[ \t]*<(Q[^>]*|qt[^>]*)>")
      message("${_file}: includes the Qt header <${CMAKE_MATCH_1}>")
      math(EXPR _faults "${_faults} + 1")
    endif()
  endforeach()
endforeach()

if(_faults GREATER 0)
  message(FATAL_ERROR "${_faults} includes run against the direction of the folders")
endif()
list(LENGTH _files _count)
message("${_count} files follow the direction of the folders")
