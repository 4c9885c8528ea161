# The demo test runs the widget demo program and moves the display's one
# mouse: nothing else may run beside it.
add_dependencies(test_widgets widget_demo)
set(_widget_serial ${CMAKE_CURRENT_BINARY_DIR}/widget_serial.cmake)
file(WRITE ${_widget_serial} [=[
foreach(t IN LISTS test_widgets_TESTS)
  if(t MATCHES "^WidgetDemo\\.")
    set_tests_properties(${t} PROPERTIES RUN_SERIAL TRUE RESOURCE_LOCK x_display TIMEOUT 120)
  endif()
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${_widget_serial})
