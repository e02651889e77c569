# brisvale_build_xsdgen(SOURCE_DIR <dir> BINARY_DIR <dir>)
#
# Builds the generator at configure time, as a project of its own, and sets
# BRISVALE_XSDGEN to the executable: brisvale_generate_messages() runs it at
# configure time to learn a folder's outputs, and at build time to write
# them. A change to the generator's sources re-runs the configuration.
function(brisvale_build_xsdgen)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "" "SOURCE_DIR;BINARY_DIR" "")
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    "${ARG_SOURCE_DIR}/src/*" "${ARG_SOURCE_DIR}/CMakeLists.txt")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sources})
  set(configure_arguments -G "${CMAKE_GENERATOR}" -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}")
  if(CMAKE_CXX_COMPILER_LAUNCHER)
    list(APPEND configure_arguments "-DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}")
  endif()
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${ARG_SOURCE_DIR}" -B "${ARG_BINARY_DIR}" ${configure_arguments}
    COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
  execute_process(
    COMMAND "${CMAKE_COMMAND}" --build "${ARG_BINARY_DIR}" --target xsdgen --parallel 4
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Building xsdgen failed:\n${output}")
  endif()
  set(BRISVALE_XSDGEN "${ARG_BINARY_DIR}/xsdgen" PARENT_SCOPE)
endfunction()

# brisvale_generate_messages(<out-var>
#     SCHEMA_DIR <dir> OUTPUT_DIR <dir>
#     [TEST_SUPPORT_DIR <dir>]          also write the round-trip registry, samples and roots schema
#     [TEST_SUPPORT_OUTPUTS <var>]      receives the test support files
#     [COMMON_SOURCES <var>]            receives the sources the common library compiles
#     [TARGET <var>])                   receives the name of the custom target that generates
#
# Runs ${BRISVALE_XSDGEN} on the .xsd files of SCHEMA_DIR at build time, with
# the base URI ${BRISVALE_SCHEMA_BASE_URI}, and sets <out-var> to the
# generated headers and the sources that the message library compiles. The generator alone knows what a folder
# produces: at configure time it lists its outputs and the schema files it
# reads, and a change to one of those, or a new file in the folder, re-runs
# the configuration.
#
# Targets in other directories that compile the outputs, or include their
# headers, should add_dependencies() on the custom target, so that every
# header exists before the first compilation starts.
function(brisvale_generate_messages out_var)
  cmake_parse_arguments(PARSE_ARGV 1 ARG
    "" "SCHEMA_DIR;OUTPUT_DIR;TEST_SUPPORT_DIR;TEST_SUPPORT_OUTPUTS;COMMON_SOURCES;TARGET" "")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "brisvale_generate_messages: unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_SCHEMA_DIR OR NOT ARG_OUTPUT_DIR OR NOT BRISVALE_XSDGEN OR NOT BRISVALE_SCHEMA_BASE_URI)
    message(FATAL_ERROR "brisvale_generate_messages: needs SCHEMA_DIR, OUTPUT_DIR, "
                        "BRISVALE_XSDGEN and BRISVALE_SCHEMA_BASE_URI")
  endif()
  get_filename_component(schema_dir "${ARG_SCHEMA_DIR}" ABSOLUTE)
  get_filename_component(output_dir "${ARG_OUTPUT_DIR}" ABSOLUTE)
  get_filename_component(folder_name "${schema_dir}" NAME)

  set(arguments --base-uri "${BRISVALE_SCHEMA_BASE_URI}" --output "${output_dir}")
  if(ARG_TEST_SUPPORT_DIR)
    get_filename_component(test_support_dir "${ARG_TEST_SUPPORT_DIR}" ABSOLUTE)
    list(APPEND arguments --test-support "${test_support_dir}")
  endif()
  list(APPEND arguments "${schema_dir}")

  # Only to notice a new file in the folder: the generator reads them.
  file(GLOB folder_files CONFIGURE_DEPENDS "${schema_dir}/*.xsd")
  _brisvale_xsdgen_list(outputs --list-outputs ${arguments})
  _brisvale_xsdgen_list(inputs --list-inputs ${arguments})
  _brisvale_xsdgen_list(message_sources --list-sources messages ${arguments})
  _brisvale_xsdgen_list(common_sources --list-sources common ${arguments})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${inputs})

  set(generated ${message_sources})
  set(test_support_outputs)
  foreach(output IN LISTS outputs)
    string(FIND "${output}" "${output_dir}/" at)
    if(at EQUAL 0)
      if(output MATCHES "\\.hpp$")
        list(APPEND generated "${output}")
      endif()
    else()
      list(APPEND test_support_outputs "${output}")
    endif()
  endforeach()

  add_custom_command(
    OUTPUT ${outputs}
    COMMAND "${BRISVALE_XSDGEN}" ${arguments}
    DEPENDS "${BRISVALE_XSDGEN}" ${inputs}
    COMMENT "Generating the message classes of ${folder_name}"
    VERBATIM)
  set(target_name "BrisvaleGenerate_${folder_name}")
  add_custom_target(${target_name} DEPENDS ${outputs})

  set(${out_var} ${generated} PARENT_SCOPE)
  if(ARG_TEST_SUPPORT_OUTPUTS)
    set(${ARG_TEST_SUPPORT_OUTPUTS} ${test_support_outputs} PARENT_SCOPE)
  endif()
  if(ARG_COMMON_SOURCES)
    set(${ARG_COMMON_SOURCES} ${common_sources} PARENT_SCOPE)
  endif()
  if(ARG_TARGET)
    set(${ARG_TARGET} ${target_name} PARENT_SCOPE)
  endif()
endfunction()

# Runs xsdgen with the given arguments at configure time and sets <out-var>
# to the paths it prints, one per line.
function(_brisvale_xsdgen_list out_var)
  execute_process(
    COMMAND "${BRISVALE_XSDGEN}" ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE paths ERROR_VARIABLE messages)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "xsdgen refused the schemas:\n${messages}")
  endif()
  string(REGEX REPLACE "\n$" "" paths "${paths}")
  string(REPLACE "\n" ";" paths "${paths}")
  set(${out_var} ${paths} PARENT_SCOPE)
endfunction()

# brisvale_install_generated_headers(OUTPUT_DIR <dir> DESTINATION <dir> HEADERS <file>...)
#
# Installs exactly the given generated headers (of the files that
# brisvale_generate_messages() returns, the .hpp ones), each at its path
# under OUTPUT_DIR.
function(brisvale_install_generated_headers)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "" "OUTPUT_DIR;DESTINATION" "HEADERS")
  get_filename_component(output_dir "${ARG_OUTPUT_DIR}" ABSOLUTE)
  foreach(header IN LISTS ARG_HEADERS)
    if(header MATCHES "\\.hpp$")
      file(RELATIVE_PATH relative "${output_dir}" "${header}")
      get_filename_component(folder "${relative}" DIRECTORY)
      install(FILES "${header}" DESTINATION "${ARG_DESTINATION}/${folder}")
    endif()
  endforeach()
endfunction()
