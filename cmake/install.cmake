# cmake --install puts the two libraries, their headers (under include/, at
# the paths they have in src/) and the package configuration into the prefix,
# so that find_package(Telvora CONFIG) finds Telvora::platform and
# Telvora::registry.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TELVORA_CONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Telvora)

install(TARGETS telvora_platform telvora_registry
        EXPORT TelvoraTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT TelvoraTargets NAMESPACE Telvora:: DESTINATION ${TELVORA_CONFIG_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TelvoraConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/TelvoraConfig.cmake
                              INSTALL_DESTINATION ${TELVORA_CONFIG_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TelvoraConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TelvoraConfig.cmake ${PROJECT_BINARY_DIR}/TelvoraConfigVersion.cmake
        DESTINATION ${TELVORA_CONFIG_DIR})

if(TARGET Telvora)
  install(TARGETS Telvora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
