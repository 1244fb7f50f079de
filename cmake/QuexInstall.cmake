# Installs headers, the library, a CMake package (find_package(Quex CONFIG))
# (quex::quex, quex::headers, quex_add_module) and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS quex quex_headers EXPORT QuexTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/quex DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT QuexTargets NAMESPACE quex:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quex)

configure_package_config_file(cmake/QuexConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/QuexConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quex)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QuexConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QuexConfig.cmake ${PROJECT_BINARY_DIR}/QuexConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/cmake/QuexModule.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quex)

file(RELATIVE_PATH QUEX_PC_RELATIVE_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" QUEX_PC_RELATIVE_PREFIX "${QUEX_PC_RELATIVE_PREFIX}")
configure_file(cmake/quex.pc.in ${PROJECT_BINARY_DIR}/quex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
