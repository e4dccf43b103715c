list(APPEND QVR_GUI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/drawgrid.h
    ${CMAKE_CURRENT_LIST_DIR}/drawgrid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/drawgridaccessible.h
    ${CMAKE_CURRENT_LIST_DIR}/drawgridaccessible.cpp
    ${CMAKE_CURRENT_LIST_DIR}/emblems.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gridcells.cpp
    ${CMAKE_CURRENT_LIST_DIR}/beststrip.h
    ${CMAKE_CURRENT_LIST_DIR}/beststrip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/celleditors.h
    ${CMAKE_CURRENT_LIST_DIR}/celleditors.cpp
)
