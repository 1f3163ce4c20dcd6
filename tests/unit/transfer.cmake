ruvela_test(transfer_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/sorting/TransferTestSupport.cpp
        ${CMAKE_CURRENT_LIST_DIR}/sorting/TrashTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/sorting/FileOperationsTest.cpp
    LIBS ruvela_core)
