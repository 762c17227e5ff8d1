# Checks the include rules of the layers (run by ctest as `cmake -DROOT=<source dir> -P ...`):
#  - a core area (src/<area>/*.h|cpp, not ui/) includes no ui/ header;
#  - nothing below app (the areas other than app and cli, their ui/ folders, sim/) includes app/;
#  - base includes only base; link only base and link (generated headers such as versiondefs.h
#    name no area and are left alone);
#  - the tab base (tabhost/) includes only base, link and itself: every tab area sits above it;
#  - data, memory and routes do not include the device-family panels (panels/);
#  - the main window (app/ui/frmmain.h) is included only inside app, and not by the tab table,
#    which gets what the tabs need through TTabContext.
# Prints every offending line and fails when there is one.
if(NOT ROOT)
  message(FATAL_ERROR "ROOT not set")
endif()

set(_bad 0)
file(GLOB_RECURSE _files RELATIVE ${ROOT} ${ROOT}/src/*.h ${ROOT}/src/*.cpp ${ROOT}/sim/*.h ${ROOT}/sim/*.cpp)
foreach(_f ${_files})
  if(_f MATCHES "^src/([^/]+)/")
    set(_area ${CMAKE_MATCH_1})
  else()
    set(_area sim)
  endif()
  set(_ui FALSE)
  if(_f MATCHES "/ui/")
    set(_ui TRUE)
  endif()
  file(STRINGS ${ROOT}/${_f} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(_l ${_lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" _inc "${_l}")
    set(_why "")
    if(NOT _ui AND NOT _area STREQUAL "app" AND NOT _area STREQUAL "cli" AND _inc MATCHES "/ui/")
      set(_why "core code includes a ui header")
    elseif(NOT _ui AND _area STREQUAL "app" AND _inc MATCHES "/ui/")
      set(_why "core code includes a ui header")
    elseif(NOT _area STREQUAL "app" AND NOT _area STREQUAL "cli" AND _inc MATCHES "^app/")
      set(_why "a layer below app includes app/")
    elseif(_area STREQUAL "base" AND _inc MATCHES "/" AND NOT _inc MATCHES "^base/")
      set(_why "base includes another area")
    elseif(_area STREQUAL "link" AND _inc MATCHES "/" AND NOT _inc MATCHES "^(base|link)/")
      set(_why "link includes an area above it")
    elseif(_area STREQUAL "tabhost" AND _inc MATCHES "/" AND NOT _inc MATCHES "^(base|link|tabhost)/")
      set(_why "the tab base includes an area above it")
    elseif(_area MATCHES "^(data|memory|routes)$" AND _inc MATCHES "^panels/")
      set(_why "includes the device-family panels")
    elseif(_inc STREQUAL "app/ui/frmmain.h" AND (NOT _area STREQUAL "app" OR _f MATCHES "^src/app/ui/tabtable\\."))
      set(_why "only the window's own code includes the main window")
    endif()
    if(_why)
      message("${_f}: #include \"${_inc}\": ${_why}")
      math(EXPR _bad "${_bad} + 1")
    endif()
  endforeach()
endforeach()

if(_bad GREATER 0)
  message(FATAL_ERROR "Layering broken: ${_bad} include(s) point the wrong way")
endif()
list(LENGTH _files _n)
message(STATUS "Layering: ${_n} files follow the rules")
