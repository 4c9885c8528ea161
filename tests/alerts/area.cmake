# The program the alert tests drive: the shell in a real window raising alerts.
add_executable(alert_host ${CMAKE_CURRENT_LIST_DIR}/host/alert_host.cpp)
target_link_libraries(alert_host PRIVATE vantor_all)
set_target_properties(alert_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(test_alerts alert_host vantor-installer)
# Every test here opens a window and moves the display's one mouse.
set(_alert_locks ${CMAKE_CURRENT_BINARY_DIR}/alert_locks.cmake)
file(WRITE ${_alert_locks} [=[
foreach(t IN LISTS test_alerts_TESTS)
  set_tests_properties(${t} PROPERTIES RESOURCE_LOCK x_display TIMEOUT 150)
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_alert_locks})
