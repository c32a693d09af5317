# Fails when a file of the engine or the command line includes a window header:
# anything under gui/, or a Qt Widgets or Gui header.
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
message(STATUS "${CMAKE_CURRENT_LIST_FILE}: ${SOURCE_DIR}/src/core and src/cli reach no window header")
