# The FontGL tests open a GL window: they take the display in turn with the other window tests.
vantor_test_props(font REGEX "^FontGL\\." LOCKS x_display TIMEOUT 120)
