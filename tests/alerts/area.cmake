# The program the alert tests drive: the shell in a real window raising alerts.
add_executable(alert_host ${CMAKE_CURRENT_LIST_DIR}/host/alert_host.cpp)
target_link_libraries(alert_host PRIVATE vantor_shell)
set_target_properties(alert_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(test_alerts alert_host vantor-installer)
# Every test here opens a window and moves the display's one mouse.
vantor_test_props(alerts LOCKS x_display TIMEOUT 150)
