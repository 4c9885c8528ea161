# The demo test runs the widget demo program and moves the display's one
# mouse: nothing else may run beside it.
add_dependencies(test_widgets widget_demo)
vantor_test_props(widgets REGEX "^WidgetDemo\\." SERIAL LOCKS x_display TIMEOUT 120)
# the demo test turns the display's key repeat off while it types
find_package(X11 REQUIRED)
target_link_libraries(test_widgets PRIVATE X11::X11)
