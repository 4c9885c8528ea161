# The Draw tests open a GL window: they take the display in turn with the other window tests.
set(_ogl_locks ${CMAKE_CURRENT_BINARY_DIR}/ogl_locks.cmake)
file(WRITE ${_ogl_locks} [=[
foreach(t IN LISTS test_ogl_TESTS)
  if(t MATCHES "^Draw\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK x_display TIMEOUT 120)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_ogl_locks})
