list(APPEND QVR_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/charrecord.cpp
    ${CMAKE_CURRENT_LIST_DIR}/memotext.cpp
    ${CMAKE_CURRENT_LIST_DIR}/timevalue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/rosterfile.cpp
)
