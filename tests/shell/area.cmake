# The program test sends the window manager's close message itself.
find_package(X11 REQUIRED)
target_link_libraries(test_shell PRIVATE X11::X11)
