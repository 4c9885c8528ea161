# The FontGL tests open a GL window: they take the display in turn with the other window tests.
set(_font_locks ${CMAKE_CURRENT_BINARY_DIR}/font_locks.cmake)
file(WRITE ${_font_locks} [=[
foreach(t IN LISTS test_font_TESTS)
  if(t MATCHES "^FontGL\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK x_display TIMEOUT 120)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_font_locks})
