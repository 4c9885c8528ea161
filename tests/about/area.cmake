# The program the about box's window tests drive: the shell with the box up.
add_executable(about_host ${CMAKE_CURRENT_LIST_DIR}/host/about_host.cpp)
target_link_libraries(about_host PRIVATE vantor_shell)
set_target_properties(about_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(test_about about_host)
# The update-check tests share the update site at 127.0.0.61 (and .62 where
# nothing listens, .64 the fault server); the window tests have their own at
# 127.0.0.63 and share the display.
vantor_test_props(about REGEX "^AboutCheck\\." LOCKS about_site)
vantor_test_props(about REGEX "^AboutWindow\\." LOCKS about_window_site x_display TIMEOUT 150)
