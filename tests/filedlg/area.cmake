# The program the file window tests drive: the shell in a real window with the
# Open and Save window up.
add_executable(filedlg_host ${CMAKE_CURRENT_LIST_DIR}/host/filedlg_host.cpp)
target_link_libraries(filedlg_host PRIVATE vantor_shell)
set_target_properties(filedlg_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(test_filedlg filedlg_host)
# The window tests open a window and move the display's one mouse.
vantor_test_props(filedlg REGEX "^FileWindow\\." LOCKS x_display TIMEOUT 150)
