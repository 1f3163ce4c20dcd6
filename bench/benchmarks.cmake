ruvela_bench(file_search SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_search.cpp LIBS ruvela_core)
ruvela_bench(open_folder SOURCES ${CMAKE_CURRENT_LIST_DIR}/open_folder.cpp LIBS ruvela_app)
ruvela_bench(jpeg_decode SOURCES ${CMAKE_CURRENT_LIST_DIR}/jpeg_decode.cpp LIBS ruvela_core ruvela_demo JPEG::JPEG)
