ruvela_test(filescan_test unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/filelist/FileScanTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/filelist/ScanMaskTest.cpp
    LIBS ruvela_core)
