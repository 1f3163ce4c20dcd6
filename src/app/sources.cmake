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
    ${CMAKE_CURRENT_LIST_DIR}/display/Animation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/display/PictureShow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/display/ViewSettings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feedback/Feedback.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filelist/FileListNavigator.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filelist/FolderWatch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/foldertree/FolderWorkflow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/session/Session.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sorting/UndoWorkflow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commands/AppCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commands/CommandRegistry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commands/CommandTable.cpp
)
target_sources(ruvela_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/foldertree/FolderTreeModel.cpp
)
