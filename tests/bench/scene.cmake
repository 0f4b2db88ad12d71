# The scene's frame update and a whole frame: build/<dir>/tests/bench/scene_bench
add_executable(scene_bench ${CMAKE_CURRENT_LIST_DIR}/scene_bench.cpp)
target_link_libraries(scene_bench PRIVATE eh_scene eh_d3d8 eh_os eh_resources benchmark::benchmark)
target_include_directories(scene_bench PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR})
emberhold_warnings(scene_bench)
