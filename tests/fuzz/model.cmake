# Fuzz targets of the model file formats (EMD meshes, ESA clips, terrain grids, camera
# tracks, billboards).
emberhold_fuzz_target(fuzz_model_emd ${CMAKE_CURRENT_LIST_DIR}/model_emd_fuzz.cpp DEPS eh_model)
emberhold_fuzz_target(fuzz_model_esa ${CMAKE_CURRENT_LIST_DIR}/model_esa_fuzz.cpp DEPS eh_model)
emberhold_fuzz_target(fuzz_model_terrain ${CMAKE_CURRENT_LIST_DIR}/model_terrain_fuzz.cpp DEPS eh_model)
emberhold_fuzz_target(fuzz_model_track ${CMAKE_CURRENT_LIST_DIR}/model_track_fuzz.cpp DEPS eh_model)
emberhold_fuzz_target(fuzz_model_billboard ${CMAKE_CURRENT_LIST_DIR}/model_billboard_fuzz.cpp DEPS eh_model)
foreach(format emd esa terrain track billboard)
  file(GLOB seeds_${format} ${CMAKE_CURRENT_LIST_DIR}/corpus/model_${format}/*)
  if(EMBERHOLD_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/corpus_model_${format})
    add_test(NAME fuzz_model_${format}_smoke
             COMMAND fuzz_model_${format} -runs=5000 -max_len=8192
                     ${CMAKE_CURRENT_BINARY_DIR}/corpus_model_${format}
                     ${CMAKE_CURRENT_LIST_DIR}/corpus/model_${format})
  else()
    add_test(NAME fuzz_model_${format}_smoke COMMAND fuzz_model_${format} ${seeds_${format}})
  endif()
  set_tests_properties(fuzz_model_${format}_smoke PROPERTIES LABELS fuzz)
endforeach()
