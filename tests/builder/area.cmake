# The install test reuses the engine tests' fixture and prompt answers.
target_sources(test_builder PRIVATE ${CMAKE_SOURCE_DIR}/tests/engine/engine_support.cpp)
add_dependencies(test_builder make_release)
