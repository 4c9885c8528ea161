# The program test sends the window manager's close message itself.
find_package(X11 REQUIRED)
target_link_libraries(test_shell PRIVATE X11::X11)
# The program test's windows and the GL read-back tests share the display
# with the other window tests.
set(_shell_locks ${CMAKE_CURRENT_BINARY_DIR}/shell_locks.cmake)
file(WRITE ${_shell_locks} [=[
foreach(t IN LISTS test_shell_TESTS)
  if(t MATCHES "^(Program|ShellGL)\\.")
    set_tests_properties(${t} PROPERTIES RESOURCE_LOCK x_display TIMEOUT 120)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_shell_locks})
