list(APPEND QVR_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/profilefile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settingslocation.cpp
)
