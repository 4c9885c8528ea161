# The demo release's test runs the release builder.
add_dependencies(test_scripts make_release)
