target_sources(ruvela_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/BmpDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileBytes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GifDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ImageLoader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/JpegDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PixelBufferPool.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PngDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StockImage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TSpiLib32.cpp
)
# The plug-in host reads plugins/SusiePlugin.h, the interface the plug-ins are built against.
target_include_directories(ruvela_core PRIVATE ${PROJECT_SOURCE_DIR})
