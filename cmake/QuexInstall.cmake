# Installs headers, the library, a CMake package (find_package(Quex CONFIG))
# (quex::quex, quex::headers, quex_add_module) and a pkg-config file.
include(CMakePackageConfigHelpers)

# Components, one Debian package each: runtime (the shared library),
# development (headers, CMake and pkg-config files, the library's name link)
# and tools (quex, quex-child, the example modules, manual, completion).
install(TARGETS quex quex_headers EXPORT QuexTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
                NAMELINK_COMPONENT development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/quex DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(EXPORT QuexTargets NAMESPACE quex:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quex
        COMPONENT development)

configure_package_config_file(cmake/QuexConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/QuexConfig.cmake
                              INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quex)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QuexConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QuexConfig.cmake ${PROJECT_BINARY_DIR}/QuexConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/cmake/QuexModule.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Quex COMPONENT development)

file(RELATIVE_PATH QUEX_PC_RELATIVE_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" QUEX_PC_RELATIVE_PREFIX "${QUEX_PC_RELATIVE_PREFIX}")
configure_file(cmake/quex.pc.in ${PROJECT_BINARY_DIR}/quex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)
