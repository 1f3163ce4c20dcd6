ruvela_test(app_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/app/PathTextTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/TitleTextTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/ViewerControllerTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/NavigationTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/ListFolderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/ShownFileReplacedTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/PictureLoaderTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/ViewTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/TransferBatchTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/SortingTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/UndoTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/CheckListTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/CommandExecutorTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/FolderTest.cpp
    LIBS ruvela_app Qt6::Test)
