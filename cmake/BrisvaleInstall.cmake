# Installs both libraries, their headers and a package config, so that a
# consumer can write find_package(BrisvaleCadMessages) and link
# Brisvale::CadMessages.
include(CMakePackageConfigHelpers)

set_target_properties(BrisvaleSoaCommon PROPERTIES EXPORT_NAME SoaCommon)
set_target_properties(BrisvaleCadMessages PROPERTIES EXPORT_NAME CadMessages)

install(TARGETS BrisvaleSoaCommon BrisvaleCadMessages
  EXPORT BrisvaleCadMessagesTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(DIRECTORY
    ${PROJECT_SOURCE_DIR}/core/common/include/
    ${PROJECT_SOURCE_DIR}/core/binding/include/
    ${BRISVALE_GENERATED_DIR}/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.hpp")

set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/BrisvaleCadMessages)
install(EXPORT BrisvaleCadMessagesTargets
  NAMESPACE Brisvale::
  DESTINATION ${config_dir})

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/BrisvaleCadMessagesConfig.cmake.in
  ${PROJECT_BINARY_DIR}/BrisvaleCadMessagesConfig.cmake
  INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/BrisvaleCadMessagesConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/BrisvaleCadMessagesConfig.cmake
    ${PROJECT_BINARY_DIR}/BrisvaleCadMessagesConfigVersion.cmake
  DESTINATION ${config_dir})
