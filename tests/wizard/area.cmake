# Tests of one group share fixed loopback addresses and never run at the same
# time: the window tests use 127.0.0.45-48, the download tests 127.0.0.41-44.
vantor_test_props(wizard REGEX "^WebDemoFlow\\." LOCKS wizard_127_0_0_45_to_48 x_display TIMEOUT 180)
vantor_test_props(wizard REGEX "^WebUpdateFlow\\." LOCKS wizard_127_0_0_45_to_48 x_display TIMEOUT 120)
vantor_test_props(wizard REGEX "^DirectoryDownload\\." LOCKS wizard_127_0_0_41_to_44)
vantor_test_props(wizard REGEX "^QuitAtPrompt\\." LOCKS x_display TIMEOUT 150)
# The quit test sends the window manager's close message itself.
find_package(X11 REQUIRED)
target_link_libraries(test_wizard PRIVATE X11::X11)

# The window tests run the real programs.
add_dependencies(test_wizard vantor-installer vantor-web-updater)
# The interrupted-update test runs the real program against 127.0.0.75-77.
vantor_test_props(wizard REGEX "^InterruptedUpdate\\." LOCKS wizard_127_0_0_75_to_77 x_display TIMEOUT 300)
# The layout test's program: every screen of every flow in every language,
# drawn with the layout record on.
add_executable(layout_host ${CMAKE_CURRENT_LIST_DIR}/host/layout_host.cpp)
target_link_libraries(layout_host PRIVATE vantor_wizard)
vantor_layer_internal(layout_host vantor_engine)	# it sets up each screen's engine record
set_target_properties(layout_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(test_wizard layout_host make_release)
vantor_test_props(wizard REGEX "^Layout\\." LOCKS x_display TIMEOUT 300)
# The web tests that begin with the directory download reuse the engine tests'
# fixture; they serve their mirror on 127.0.0.93.
target_sources(test_wizard PRIVATE ${CMAKE_SOURCE_DIR}/tests/engine/engine_support.cpp)
vantor_test_props(wizard REGEX "^WebBounds\\." LOCKS wizard_127_0_0_93)
# The slow-lookup test runs the real program against 127.0.0.165-167, with a
# name server of its own.
vantor_test_props(wizard REGEX "^SlowLookup\\." LOCKS wizard_127_0_0_165_to_167 x_display TIMEOUT 240)
# The faults test runs the real updater behind the fault server on 127.0.0.45,
# its copy on a small disk of its own.
vantor_test_props(wizard REGEX "^WebUpdateFaults\\." LOCKS wizard_127_0_0_45_to_48 x_display TIMEOUT 300)
# The progress test runs the real updater behind the fault server on 127.0.0.55,
# its mirrors named 127.0.0.56 and .57.
vantor_test_props(wizard REGEX "^WebUpdateProgress\\." LOCKS wizard_127_0_0_55_to_57 x_display TIMEOUT 300)
