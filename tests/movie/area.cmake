# The program the movie window tests drive: the shell in a real window drawing
# known pictures while the recorder takes them.
add_executable(movie_host ${CMAKE_CURRENT_LIST_DIR}/host/movie_host.cpp)
target_link_libraries(movie_host PRIVATE vantor_shell)
set_target_properties(movie_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(test_movie movie_host)
# The window tests share the display with the other window tests.
vantor_test_props(movie REGEX "^MovieWindow\\." LOCKS x_display TIMEOUT 150)
