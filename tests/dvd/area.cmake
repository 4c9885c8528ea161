# The routines' tests reuse the engine tests' fixture and prompt answers; the
# window tests take the display alone; each makes its disc set first, which
# takes minutes on a loaded machine.
target_sources(test_dvd PRIVATE ${CMAKE_SOURCE_DIR}/tests/engine/engine_support.cpp)
add_dependencies(test_dvd make_release vantor-dvd-installer)
# Two disc installers at once, even on displays of their own, lose clicks and
# windows in the sanitizer build: they take turns.
vantor_test_props(dvd REGEX "^(DiscInstallWindow|SceneryWindow)\\." LOCKS x_display dvd_window TIMEOUT 600)
