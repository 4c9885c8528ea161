# The demo test runs the widget demo program.
add_dependencies(test_widgets widget_demo)
