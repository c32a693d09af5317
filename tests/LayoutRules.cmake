# Fails when a file of the engine or the command line includes a window header
# (anything under gui/, or a Qt Widgets or Gui header), or when a file of the
# engine includes a folder above its own floor (docs/architecture.md).
file(GLOB_RECURSE checked
  ${SOURCE_DIR}/src/core/*.h ${SOURCE_DIR}/src/core/*.cpp
  ${SOURCE_DIR}/src/cli/*.h ${SOURCE_DIR}/src/cli/*.cpp)
set(offenders "")
foreach(f IN LISTS checked)
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "[\"<](\\.\\./)*gui/|[\"<]Qt(Widgets|Gui|Charts)/|[\"<]Q(Widget|Dialog|MainWindow|Application|MessageBox|GuiApplication)[\">]")
      list(APPEND offenders "${f}: ${line}")
    endif()
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n" report)
  message(FATAL_ERROR "The engine or the command line reaches a window header:\n${report}")
endif()

# The floors of the engine, lowest first; a folder includes its own floor's
# headers only from itself, and any lower floor's. Folders on one floor
# (analysis, search) do not include each other.
set(floors "common" "history" "scoring" "kernel" "formula" "analysis|search" "workbench")
set(floor_names "")
set(level 0)
foreach(floor IN LISTS floors)
  string(REPLACE "|" ";" members "${floor}")
  foreach(member IN LISTS members)
    set(floor_of_${member} ${level})
    list(APPEND floor_names ${member})
  endforeach()
  math(EXPR level "${level} + 1")
endforeach()

file(GLOB core_entries LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR}/src/core ${SOURCE_DIR}/src/core/*)
foreach(entry IN LISTS core_entries)
  if(IS_DIRECTORY ${SOURCE_DIR}/src/core/${entry} AND NOT DEFINED floor_of_${entry})
    message(FATAL_ERROR "src/core/${entry} is on no floor: add it to the order in docs/architecture.md "
                        "and in ${CMAKE_CURRENT_LIST_FILE}")
  endif()
endforeach()

file(GLOB_RECURSE engine RELATIVE ${SOURCE_DIR}/src/core ${SOURCE_DIR}/src/core/*.h ${SOURCE_DIR}/src/core/*.cpp)
foreach(f IN LISTS engine)
  if(NOT f MATCHES "^([A-Za-z_]+)/")
    continue()
  endif()
  set(own ${CMAKE_MATCH_1})
  file(STRINGS ${SOURCE_DIR}/src/core/${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][A-Za-z_]+/")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "[\"<]([A-Za-z_]+)/" _ "${line}")
    set(used ${CMAKE_MATCH_1})
    if(used STREQUAL own OR NOT DEFINED floor_of_${used})
      continue()
    endif()
    if(NOT floor_of_${used} LESS floor_of_${own})
      list(APPEND offenders "src/core/${f}: ${line}")
    endif()
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n" report)
  list(JOIN floors " → " order)
  message(FATAL_ERROR "An engine file includes a folder on its own floor or above (${order}):\n${report}")
endif()
message(STATUS "${CMAKE_CURRENT_LIST_FILE}: src/core and src/cli reach no window header; "
               "src/core keeps its floors")
