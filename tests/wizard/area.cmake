# Tests of one group share fixed loopback addresses and never run at the same
# time: the window tests use 127.0.0.45-48, the download tests 127.0.0.41-44.
vantor_test_props(wizard REGEX "^WebDemoFlow\\." LOCKS wizard_127_0_0_45_to_48 x_display TIMEOUT 180)
vantor_test_props(wizard REGEX "^WebUpdateFlow\\." LOCKS wizard_127_0_0_45_to_48 x_display TIMEOUT 120)
vantor_test_props(wizard REGEX "^DirectoryDownload\\." LOCKS wizard_127_0_0_41_to_44)

# The window tests run the real programs.
add_dependencies(test_wizard vantor-installer vantor-web-updater)
# The interrupted-update test runs the real program against 127.0.0.75-77.
vantor_test_props(wizard REGEX "^InterruptedUpdate\\." LOCKS wizard_127_0_0_75_to_77 x_display TIMEOUT 300)
