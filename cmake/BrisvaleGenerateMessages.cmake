# brisvale_generate_messages(<out-var>
#     SCHEMA_DIR <dir> OUTPUT_DIR <dir>
#     [BASE_URI <uri>]                  default: ${BRISVALE_SCHEMA_BASE_URI}
#     [NO_FIELD_CONSTRUCTORS]           the classes get no field constructor
#     [OPTIONAL_ATTRIBUTES]             accept use="optional" attributes (base schema)
#     [TEST_SUPPORT_DIR <dir>]          also write the round-trip registry, samples and roots schema
#     [TEST_SUPPORT_OUTPUTS <var>]      receives the test support files (registry source first)
#     [TARGET <var>])                   receives the name of the custom target that generates
#
# Runs xsdgen on the .xsd files of SCHEMA_DIR at build time and sets <out-var>
# to the generated sources and headers. The list of files is worked out at
# configure time from the '<xs:complexType name="...">' lines of the schema
# files (one per line, as the schema conventions require), so changing a
# schema file re-runs the configuration.
#
# Targets in other directories that compile the outputs, or include their
# headers, should add_dependencies() on the custom target, so that every
# header exists before the first compilation starts.

function(_brisvale_header_directory out_var namespace_uri base_uri)
  string(LENGTH "${base_uri}/" prefix_length)
  string(SUBSTRING "${namespace_uri}" 0 ${prefix_length} prefix)
  if(NOT prefix STREQUAL "${base_uri}/")
    message(FATAL_ERROR "targetNamespace \"${namespace_uri}\" is not under the base URI \"${base_uri}\"")
  endif()
  string(SUBSTRING "${namespace_uri}" ${prefix_length} -1 path)
  string(REPLACE "/" ";" segments "${path}")
  list(LENGTH segments count)
  math(EXPR last "${count} - 1")

  # The naming rules of xsdgen: a segment that starts with a digit gets a
  # leading "_" and its dashes become "_"; the last segment keeps only its
  # first letter upper-case.
  set(directory "Brisvale")
  set(index 0)
  foreach(segment IN LISTS segments)
    if(segment MATCHES "^[0-9]")
      string(REPLACE "-" "_" segment "_${segment}")
    elseif(index EQUAL last)
      string(SUBSTRING "${segment}" 0 1 first)
      string(SUBSTRING "${segment}" 1 -1 rest)
      string(TOUPPER "${first}" first)
      string(TOLOWER "${rest}" rest)
      set(segment "${first}${rest}")
    endif()
    string(APPEND directory "/${segment}")
    math(EXPR index "${index} + 1")
  endforeach()
  set(${out_var} "${directory}" PARENT_SCOPE)
endfunction()

function(brisvale_generate_messages out_var)
  cmake_parse_arguments(PARSE_ARGV 1 ARG
    "NO_FIELD_CONSTRUCTORS;OPTIONAL_ATTRIBUTES"
    "SCHEMA_DIR;OUTPUT_DIR;BASE_URI;TEST_SUPPORT_DIR;TEST_SUPPORT_OUTPUTS;TARGET"
    "")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "brisvale_generate_messages: unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_SCHEMA_DIR OR NOT ARG_OUTPUT_DIR)
    message(FATAL_ERROR "brisvale_generate_messages: SCHEMA_DIR and OUTPUT_DIR are required")
  endif()
  if(NOT ARG_BASE_URI)
    set(ARG_BASE_URI "${BRISVALE_SCHEMA_BASE_URI}")
  endif()
  if(NOT ARG_BASE_URI)
    message(FATAL_ERROR "brisvale_generate_messages: give BASE_URI or set BRISVALE_SCHEMA_BASE_URI")
  endif()
  get_filename_component(schema_dir "${ARG_SCHEMA_DIR}" ABSOLUTE)
  get_filename_component(folder_name "${schema_dir}" NAME)

  file(GLOB schema_files "${schema_dir}/*.xsd")
  list(SORT schema_files)
  if(NOT schema_files)
    message(FATAL_ERROR "brisvale_generate_messages: no .xsd file in ${schema_dir}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${schema_files})

  set(types)
  set(namespace_uri)
  set(dependencies ${schema_files})
  foreach(schema_file IN LISTS schema_files)
    file(STRINGS "${schema_file}" type_lines REGEX "<xs:complexType[ \t]+name=\"[^\"]+\"")
    foreach(line IN LISTS type_lines)
      string(REGEX REPLACE ".*<xs:complexType[ \t]+name=\"([^\"]+)\".*" "\\1" type "${line}")
      list(APPEND types "${type}")
    endforeach()

    file(STRINGS "${schema_file}" namespace_lines REGEX "targetNamespace=\"[^\"]+\"")
    foreach(line IN LISTS namespace_lines)
      string(REGEX REPLACE ".*targetNamespace=\"([^\"]+)\".*" "\\1" namespace_uri "${line}")
    endforeach()

    # Imported and included files: a change there can change what is generated.
    get_filename_component(schema_file_dir "${schema_file}" DIRECTORY)
    file(STRINGS "${schema_file}" location_lines REGEX "schemaLocation=\"[^\"]+\"")
    foreach(line IN LISTS location_lines)
      string(REGEX REPLACE ".*schemaLocation=\"([^\"]+)\".*" "\\1" location "${line}")
      get_filename_component(location "${location}" ABSOLUTE BASE_DIR "${schema_file_dir}")
      list(APPEND dependencies "${location}")
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES dependencies)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${dependencies})
  if(NOT namespace_uri)
    message(FATAL_ERROR "brisvale_generate_messages: no targetNamespace in ${schema_dir}")
  endif()

  _brisvale_header_directory(header_dir "${namespace_uri}" "${ARG_BASE_URI}")
  set(sources)
  set(headers)
  foreach(type IN LISTS types)
    list(APPEND headers "${ARG_OUTPUT_DIR}/${header_dir}/${type}.hpp")
    list(APPEND sources "${ARG_OUTPUT_DIR}/${header_dir}/${type}.cpp")
  endforeach()

  set(arguments --base-uri "${ARG_BASE_URI}" --output "${ARG_OUTPUT_DIR}")
  if(ARG_NO_FIELD_CONSTRUCTORS)
    list(APPEND arguments --no-field-constructors)
  endif()
  if(ARG_OPTIONAL_ATTRIBUTES)
    list(APPEND arguments --optional-attributes)
  endif()
  set(test_support_outputs)
  if(ARG_TEST_SUPPORT_DIR)
    list(APPEND arguments --test-support "${ARG_TEST_SUPPORT_DIR}")
    list(APPEND test_support_outputs
      "${ARG_TEST_SUPPORT_DIR}/${folder_name}Registry.cpp"
      "${ARG_TEST_SUPPORT_DIR}/${folder_name}-roots.xsd")
    foreach(type IN LISTS types)
      list(APPEND test_support_outputs "${ARG_TEST_SUPPORT_DIR}/samples/${type}.xml")
    endforeach()
  endif()

  add_custom_command(
    OUTPUT ${sources} ${headers} ${test_support_outputs}
    COMMAND xsdgen ${arguments} "${schema_dir}"
    DEPENDS xsdgen ${dependencies}
    COMMENT "Generating the message classes of ${folder_name}"
    VERBATIM)

  set(target_name "BrisvaleGenerate_${folder_name}")
  add_custom_target(${target_name} DEPENDS ${sources} ${headers} ${test_support_outputs})

  set(${out_var} ${sources} ${headers} PARENT_SCOPE)
  if(ARG_TEST_SUPPORT_OUTPUTS)
    set(${ARG_TEST_SUPPORT_OUTPUTS} ${test_support_outputs} PARENT_SCOPE)
  endif()
  if(ARG_TARGET)
    set(${ARG_TARGET} ${target_name} PARENT_SCOPE)
  endif()
endfunction()
