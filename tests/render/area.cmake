# The GL tests open a window: they take the display in turn with the other window tests.
set(_render_locks ${CMAKE_CURRENT_BINARY_DIR}/render_locks.cmake)
file(WRITE ${_render_locks} [=[
foreach(t IN LISTS test_render_TESTS)
  if(t MATCHES "GL\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK x_display TIMEOUT 120)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_render_locks})
