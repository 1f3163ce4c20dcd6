target_sources(ruvela_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/common/StoredColor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/common/StoredFont.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filelist/TFormSearch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/GestureHook.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/ImgBar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/ImgView.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/MainMenu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/MenuMarks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/PictureArea.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/TFormMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/TFormSplash.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/WindowCommands.cpp
)
target_sources(ruvela_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/settings/CommandNameList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings/TFormOption.cpp
)
target_sources(ruvela_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/sorting/SortingKeys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sorting/TFormOverWrite.cpp
)
target_sources(ruvela_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/checklists/CheckListMenus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/checklists/TFormDandD.cpp
)
target_sources(ruvela_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/foldertree/FolderTreeDrops.cpp
    ${CMAKE_CURRENT_LIST_DIR}/foldertree/FolderTreePane.cpp
)
