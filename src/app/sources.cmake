list(APPEND QVR_GUI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tform1.h
    ${CMAKE_CURRENT_LIST_DIR}/tform1.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tform1files.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tform1handlers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/program.cpp
    ${CMAKE_CURRENT_LIST_DIR}/resources.qrc
)
