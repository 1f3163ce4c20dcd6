ruvela_test(app_tests unit
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/app/PathTextTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/TitleTextTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/app/ViewerControllerTest.cpp
    LIBS ruvela_app)
