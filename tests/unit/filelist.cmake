ruvela_test(filescan_test unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/filelist/FileScanTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/filelist/ScanMaskTest.cpp
    LIBS ruvela_core)
ruvela_test(folderwalk_test unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/filelist/FolderWalkTest.cpp
    LIBS ruvela_core)
ruvela_test(sortorder_test unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/filelist/SortOrderTest.cpp
    LIBS ruvela_core)
