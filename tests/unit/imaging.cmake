ruvela_test(imaging_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/imaging/BmpLoadTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/GifLoadTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/HeaderProbeTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/ImageLoaderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/JpegLoadTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/PixelBufferPoolTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/PngLoadTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/imaging/TextEncodingTest.cpp
    LIBS ruvela_core PNG::PNG GIF::GIF ZLIB::ZLIB)
