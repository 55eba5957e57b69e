# Every tests/<folder>/test_<topic>.cpp becomes one test executable
# <folder>_<topic>, registered with ctest under the given label.
# Test sources may add their own helpers as <folder>/support_*.cpp; these are
# linked into every executable of the folder. Helpers shared across folders
# live in tests/support (headers); APP widgets, gui or core links
# tests/support/support_app.cpp, which makes the folder's one QApplication,
# QGuiApplication or QCoreApplication before the first test.
# ENV adds NAME=value entries to the tests' environment (generator expressions
# allowed); TOOLS names executable targets the tests start, built before them.
#
# The sanitizer settings every test needs are the tests' own properties, so a
# plain `ctest` in any build folder runs them as the presets and the test
# script do: leaks and undefined behaviour are fatal, and the allocations the
# system libraries under Qt keep for the whole process are not leaks. The
# options only take effect in a build made with that sanitizer.
set(AQ_TEST_ASAN_OPTIONS "detect_leaks=1:abort_on_error=1:strict_string_checks=1")
set(AQ_TEST_SANITIZER_ENV
    "ASAN_OPTIONS=${AQ_TEST_ASAN_OPTIONS}"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tools/lsan.supp"
    "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=${PROJECT_SOURCE_DIR}/tools/tsan.supp")
function(aq_tests folder)
  cmake_parse_arguments(ARG "QT_AUTOMOC" "LABEL;TIMEOUT;APP" "DEPS;ENV;TOOLS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(_dir ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
  file(GLOB _tests CONFIGURE_DEPENDS ${_dir}/test_*.cpp)
  file(GLOB _support CONFIGURE_DEPENDS ${_dir}/support_*.cpp ${_dir}/*.h
       ${PROJECT_SOURCE_DIR}/tests/support/*.h)
  foreach(_src IN LISTS _tests)
    get_filename_component(_topic ${_src} NAME_WE)
    string(REGEX REPLACE "^test_" "" _topic ${_topic})
    set(_exe ${folder}_${_topic})
    add_executable(${_exe} ${_src} ${_support})
    # Tests set a simulated lamp's faults with designated initializers, naming only the
    # fields they mean; GCC 12 warns about the others although they have initializers.
    target_compile_options(${_exe} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-missing-field-initializers>)
    if(ARG_APP)
      target_sources(${_exe} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/support_app.cpp)
      if(ARG_APP STREQUAL "widgets")
        target_compile_definitions(${_exe} PRIVATE AQ_TEST_WIDGETS)
      elseif(ARG_APP STREQUAL "gui")
        target_compile_definitions(${_exe} PRIVATE AQ_TEST_GUI)
      endif()
    endif()
    target_include_directories(${_exe} PRIVATE ${PROJECT_SOURCE_DIR}/tests
                                               ${_dir})
    target_link_libraries(${_exe} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock
                                          GTest::gtest_main Threads::Threads)
    if(ARG_QT_AUTOMOC)
      set_target_properties(${_exe} PROPERTIES AUTOMOC ON)
    endif()
    if(ARG_TOOLS)
      add_dependencies(${_exe} ${ARG_TOOLS})
    endif()
    add_test(NAME ${_exe} COMMAND ${_exe})
    set(_env "QT_QPA_PLATFORM=offscreen" ${AQ_TEST_SANITIZER_ENV} ${ARG_ENV})
    set_tests_properties(${_exe} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT ${ARG_TIMEOUT}
                         ENVIRONMENT "${_env}")
  endforeach()
endfunction()
