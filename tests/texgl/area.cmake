# Every test here opens a GL window: they take the display in turn.
vantor_test_props(texgl LOCKS x_display TIMEOUT 120)
