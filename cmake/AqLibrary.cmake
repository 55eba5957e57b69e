# One static library per source folder. Sources are picked up from the folder
# so that adding a file never means editing a list elsewhere.
function(aq_library name)
  cmake_parse_arguments(ARG "QT_AUTOMOC" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(_cpp ${_sources})
  list(FILTER _cpp INCLUDE REGEX "\\.cpp$")
  if(NOT _cpp)
    # A folder that has no code yet still offers its target to its users.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${_sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  # The library's log category: the Qt Bluetooth adapters write the radio's
  # side, widgets and pages the user interface's.
  get_filename_component(_folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(_category ${_folder})
  if(_folder STREQUAL "platform")
    set(_category ble)
  elseif(_folder STREQUAL "pages" OR _folder STREQUAL "widgets")
    set(_category ui)
  endif()
  target_compile_definitions(${name} PRIVATE AQ_LOG_CATEGORY="aqlamp.${_category}")
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  if(ARG_QT_AUTOMOC)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
endfunction()
