# The routines' tests reuse the engine tests' fixture and prompt answers; the
# window test takes the display alone.
target_sources(test_dvd PRIVATE ${CMAKE_SOURCE_DIR}/tests/engine/engine_support.cpp)
add_dependencies(test_dvd make_release vantor-dvd-installer)
set(_dvd_locks ${CMAKE_CURRENT_BINARY_DIR}/dvd_locks.cmake)
file(WRITE ${_dvd_locks} [=[
foreach(t IN LISTS test_dvd_TESTS)
  if(t MATCHES "^DiscInstallWindow\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK x_display TIMEOUT 150)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_dvd_locks})
