# The GL tests open a window: they take the display in turn with the other window tests.
set(_vbuf_locks ${CMAKE_CURRENT_BINARY_DIR}/vbuf_locks.cmake)
file(WRITE ${_vbuf_locks} [=[
foreach(t IN LISTS test_vbuf_TESTS)
  if(t MATCHES "^ChunkyGL\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK x_display TIMEOUT 120)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_vbuf_locks})
