# Tests of one group share fixed loopback addresses and never run at the same
# time: the window tests use 127.0.0.45-48, the download tests 127.0.0.41-44.
# Test names are known only when CTest runs discovery, so the locks are set from
# a script CTest includes after it.
set(_wizard_locks ${CMAKE_CURRENT_BINARY_DIR}/wizard_locks.cmake)
file(WRITE ${_wizard_locks} [=[
foreach(t IN LISTS test_wizard_TESTS)
  if(t MATCHES "^WebDemoFlow\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK "wizard_127_0_0_45_to_48;x_display" TIMEOUT 180)
  elseif(t MATCHES "^WebUpdateFlow\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK "wizard_127_0_0_45_to_48;x_display" TIMEOUT 120)
  elseif(t MATCHES "^DirectoryDownload\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK wizard_127_0_0_41_to_44)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_wizard_locks})

# The window tests run the real programs.
add_dependencies(test_wizard vantor-installer vantor-web-updater)
