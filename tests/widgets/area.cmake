# The demo test runs the widget demo program and moves the display's one
# mouse: nothing else may run beside it.
add_dependencies(test_widgets widget_demo)
vantor_test_props(widgets REGEX "^WidgetDemo\\." SERIAL LOCKS x_display TIMEOUT 120)
