emberhold_fuzz_target(fuzz_config ${CMAKE_CURRENT_LIST_DIR}/config_fuzz.cpp DEPS eh_config eh_os)
file(GLOB config_seeds ${CMAKE_CURRENT_LIST_DIR}/corpus/config/*)
if(EMBERHOLD_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # libFuzzer writes new inputs into its first corpus folder: keep that one in the build tree.
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/corpus_config)
  add_test(NAME fuzz_config_smoke COMMAND fuzz_config -runs=5000 -max_len=4096
           ${CMAKE_CURRENT_BINARY_DIR}/corpus_config ${CMAKE_CURRENT_LIST_DIR}/corpus/config)
else()
  add_test(NAME fuzz_config_smoke COMMAND fuzz_config ${config_seeds})
endif()
set_tests_properties(fuzz_config_smoke PROPERTIES LABELS fuzz)
