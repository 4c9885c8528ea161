# The tests that start servers share fixed loopback addresses: those of one
# group never run at the same time. Test names are only known when CTest runs
# discovery, so the locks are set from a script CTest includes after it.
set(_net_locks ${CMAKE_CURRENT_BINARY_DIR}/net_locks.cmake)
file(WRITE ${_net_locks} [=[
foreach(t IN LISTS test_net_TESTS)
  if(t MATCHES "^HttpServers\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK net_127_0_0_21_to_24)
  elseif(t MATCHES "^HttpStall\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK net_127_0_0_29)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_net_locks})
