# The routines' tests reuse the engine tests' fixture and prompt answers; the
# window tests take the display alone; each makes its disc set first, which
# takes minutes on a loaded machine.
target_sources(test_dvd PRIVATE ${CMAKE_SOURCE_DIR}/tests/engine/engine_support.cpp)
add_dependencies(test_dvd make_release vantor-dvd-installer)
vantor_test_props(dvd REGEX "^(DiscInstallWindow|SceneryWindow)\\." LOCKS x_display TIMEOUT 600)
