list(APPEND QVR_GUI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/drawgrid.h
    ${CMAKE_CURRENT_LIST_DIR}/drawgrid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/drawgridaccessible.h
    ${CMAKE_CURRENT_LIST_DIR}/drawgridaccessible.cpp
    ${CMAKE_CURRENT_LIST_DIR}/emblems.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gridview.cpp
    ${CMAKE_CURRENT_LIST_DIR}/editors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rowops.cpp
)
