# The GL tests open a window: they take the display in turn with the other window tests.
vantor_test_props(vbuf REGEX "^ChunkyGL\\." LOCKS x_display TIMEOUT 120)
