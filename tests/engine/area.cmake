# The web-install tests serve their mirrors on 127.0.0.31 (127.0.0.32 stays
# unanswered): they never run at the same time.
vantor_test_props(engine REGEX "^WebInstall\\." LOCKS engine_127_0_0_31)
# The hostile-mirror tests serve theirs on 127.0.0.71.
vantor_test_props(engine REGEX "^HostileMirror\\." LOCKS engine_127_0_0_71)
vantor_test_props(engine REGEX "^WebBounds\\." LOCKS engine_127_0_0_93)
# The unpack-set tests serve theirs on 127.0.0.141 (nginx) and .142 (fault server).
vantor_test_props(engine REGEX "^WebUnpack\\." LOCKS engine_127_0_0_141)
# The full-disk tests use the same addresses, each on tmpfs mounts of its own process.
vantor_test_props(engine REGEX "^WebFullDisk\\." LOCKS engine_127_0_0_141)
