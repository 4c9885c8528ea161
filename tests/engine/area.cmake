# The web-install tests serve their mirrors on 127.0.0.31 (127.0.0.32 stays
# unanswered): they never run at the same time.
set(_engine_locks ${CMAKE_CURRENT_BINARY_DIR}/engine_locks.cmake)
file(WRITE ${_engine_locks} [=[
foreach(t IN LISTS test_engine_TESTS)
  if(t MATCHES "^WebInstall\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK engine_127_0_0_31)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_engine_locks})
