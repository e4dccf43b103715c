# Read by cpack once per generator: each package gets its own install shape.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_QVR_BUILD_DIR};qvrutl;system;/")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_STRIP_FILES ON)
else()
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_QVR_BUILD_DIR};qvrutl;portable;/")
endif()
