# The one core test that opens the program's window: other window tests'
# clicks must not land on it.
vantor_test_props(core REGEX "^Cmdline\\.UnknownOptionsRun$" LOCKS x_display)
