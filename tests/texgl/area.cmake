# Every test here opens a GL window: they take the display in turn.
set(_texgl_locks ${CMAKE_CURRENT_BINARY_DIR}/texgl_locks.cmake)
file(WRITE ${_texgl_locks} [=[
foreach(t IN LISTS test_texgl_TESTS)
  set_tests_properties(${t} PROPERTIES RESOURCE_LOCK x_display TIMEOUT 120)
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_texgl_locks})
