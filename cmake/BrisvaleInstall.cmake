# Installs both libraries, their headers, a package config and a pkg-config
# file per library, so that a consumer can write
# find_package(BrisvaleCadMessages) and link Brisvale::CadMessages, or ask
# pkg-config --cflags --libs BrisvaleCadMessages.
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
    ${PROJECT_SOURCE_DIR}/core/common/standin/include/
    ${PROJECT_SOURCE_DIR}/core/binding/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.hpp")
brisvale_install_generated_headers(
  OUTPUT_DIR ${BRISVALE_GENERATED_DIR}
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  HEADERS ${BRISVALE_GENERATED_SOURCES})

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

# The pkg-config files find the prefix from their own place, so that they
# hold wherever the install goes (cmake --install --prefix).
set(pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH pkgconfig_to_prefix /prefix/${pkgconfig_dir} /prefix)
string(REGEX REPLACE "/$" "" pkgconfig_to_prefix "${pkgconfig_to_prefix}")
foreach(library IN ITEMS BrisvaleSoaCommon BrisvaleCadMessages)
  if(library STREQUAL "BrisvaleSoaCommon")
    set(pc_description "XML stream, node tree, conversions and monitor of the Brisvale messages")
    set(pc_requires "xerces-c")
  else()
    set(pc_description "The Cad request and response message classes")
    set(pc_requires "BrisvaleSoaCommon")
  endif()
  set(pc_library ${library})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/Brisvale.pc.in ${PROJECT_BINARY_DIR}/${library}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${library}.pc DESTINATION ${pkgconfig_dir})
endforeach()
