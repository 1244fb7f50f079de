# `make package`: three Debian packages from the install components.
#   libquex0     the shared library
#   libquex-dev  headers, CMake package (quex_add_module), pkg-config file
#   quex-tools   quex, quex-child, the example modules, manual pages, completion
# Their Depends name the Debian packages of the Xerces-C and ICU versions this
# build linked, and each other at this exact version.
install(FILES LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)

string(REGEX MATCH "^[0-9]+\\.[0-9]+" quex_xerces_series "${XercesC_VERSION}")
string(REGEX MATCH "^[0-9]+" quex_icu_major "${ICU_VERSION}")
set(quex_runtime_package libquex${PROJECT_VERSION_MAJOR})
set(quex_exact "(= ${PROJECT_VERSION})")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "quex maintainers <maintainers@quex.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL runtime development tools)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${quex_runtime_package})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS
    "libxerces-c${quex_xerces_series}, libicu${quex_icu_major}, libstdc++6, libc6")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquex-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "${quex_runtime_package} ${quex_exact}, libxerces-c-dev")
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME quex-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS
    "${quex_runtime_package} ${quex_exact}, libxerces-c${quex_xerces_series}, libicu${quex_icu_major}, libstdc++6, libc6")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "quex runtime library: hosts data-analysis extension modules")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "quex development files: qx.h, the host headers, CMake package with quex_add_module, pkg-config")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "quex command-line host, the quex-child program, example modules, manual pages, completion")

include(CPack)
