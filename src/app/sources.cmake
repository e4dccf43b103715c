list(APPEND QVR_GUI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tform1.h
    ${CMAKE_CURRENT_LIST_DIR}/tform1.cpp
    ${CMAKE_CURRENT_LIST_DIR}/exportcommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/program.cpp
    ${CMAKE_CURRENT_LIST_DIR}/resources.qrc
)
