target_sources(ruvela_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/TitleText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommandNames.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommandExecutor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PictureLoader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ViewerController.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TransferBatch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SortingWorkflow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CheckListWorkflow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BackgroundSaver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PausingPrompts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commands/AppCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commands/CommandRegistry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commands/CommandTable.cpp
)
