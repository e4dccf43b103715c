list(APPEND QVR_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/error.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cp932.cpp
    ${CMAKE_CURRENT_LIST_DIR}/atomicfile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filereader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bulkmemory.cpp
)
list(APPEND QVR_GUI_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/errorreport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filedialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filedialog.h
    ${CMAKE_CURRENT_LIST_DIR}/alarm.h
    ${CMAKE_CURRENT_LIST_DIR}/lazyalarm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/qtext.cpp
    ${CMAKE_CURRENT_LIST_DIR}/designedwindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/designedwindow.h
    ${CMAKE_CURRENT_LIST_DIR}/windowfonts.h
    ${CMAKE_CURRENT_LIST_DIR}/qtext.h
    ${CMAKE_CURRENT_LIST_DIR}/programpath.cpp
)
