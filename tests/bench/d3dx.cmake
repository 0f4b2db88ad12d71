# Decoding speed of the D3DX image decoders (512 x 512 JPEG and TGA).
add_executable(bench_d3dx_decode ${CMAKE_CURRENT_LIST_DIR}/d3dx_decode_bench.cpp)
target_link_libraries(bench_d3dx_decode PRIVATE eh_d3dx_test_images benchmark::benchmark)
emberhold_warnings(bench_d3dx_decode)
