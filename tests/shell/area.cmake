# The program test sends the window manager's close message itself.
find_package(X11 REQUIRED)
target_link_libraries(test_shell PRIVATE X11::X11)
# The program test's windows, the real-window event tests and the GL read-back
# tests share the display with the other window tests.
vantor_test_props(shell REGEX "^(Program|ShellGL|PrefsWindow|WindowEvents)\\." LOCKS x_display TIMEOUT 120)
