# Skinning and terrain-building benchmarks: build/<dir>/tests/bench/model_bench
add_executable(model_bench ${CMAKE_CURRENT_LIST_DIR}/model_bench.cpp)
target_link_libraries(model_bench PRIVATE eh_model eh_fake_d3d8 benchmark::benchmark)
target_include_directories(model_bench PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR})
emberhold_warnings(model_bench)
