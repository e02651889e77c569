# Takes a throw-away schema folder through configuration, generation, build
# and install, then removes a type and adds one, builds and installs again.
# Every type must be exactly in the library's exported symbols and in the
# installed headers, also one whose opening tag spans lines.
include(${CMAKE_CURRENT_LIST_DIR}/Run.cmake)
file(REMOVE_RECURSE ${WORK})

set(head [[<?xml version="1.0"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema"
           targetNamespace="http://brisvale.example/Schemas/Test/WholePath"
           xmlns:gen="http://brisvale.example/Schemas/Xsdgen" gen:optionalAttributes="true" gen:fieldConstructors="false"
           elementFormDefault="qualified" attributeFormDefault="unqualified">
  <xs:complexType name="Kept"><xs:attribute name="id" type="xs:string" use="optional"/></xs:complexType>
  <xs:complexType
      name="Spanning">
    <xs:attribute name="id" type="xs:string" use="required"/>
  </xs:complexType>
]])

function(expect round present absent)
  run(${CMAKE_COMMAND} --install ${WORK}/build --prefix ${WORK}/install${round})
  foreach(library ${WORK}/build/libWholePath.so ${WORK}/install${round}/lib/libWholePath.so)
    execute_process(COMMAND nm -D -C --defined-only ${library} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    foreach(type IN LISTS present absent)
      # "l" for the library's symbols, "h" for each header folder that holds the type.
      set(seen "")
      if(symbols MATCHES "Wholepath::${type}::${type}\\(\\)")
        set(seen "l")
      endif()
      foreach(folder ${WORK}/install${round}/include ${WORK}/build/generated)
        if(EXISTS ${folder}/Brisvale/Schemas/Test/Wholepath/${type}.hpp)
          string(APPEND seen "h")
        endif()
      endforeach()
      if((type IN_LIST present AND NOT seen STREQUAL "lhh") OR (type IN_LIST absent AND NOT seen STREQUAL ""))
        message(FATAL_ERROR "round ${round}: ${type} found in \"${seen}\" of ${library} and its header folders")
      endif()
    endforeach()
  endforeach()
endfunction()

file(WRITE ${WORK}/schemas/Types.xsd "${head}  <xs:complexType name=\"Removed\"/>\n</xs:schema>\n")
run(${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/wholepath -B ${WORK}/build ${project_settings}
  -DBRISVALE_SOURCE_DIR=${BRISVALE_SOURCE_DIR} -DBRISVALE_XSDGEN=${XSDGEN} -DSCHEMA_DIR=${WORK}/schemas)
run(${CMAKE_COMMAND} --build ${WORK}/build)
expect(1 "Kept;Spanning;Removed" "Added")
# The file's marks: a "set" flag for the optional attribute, no field constructors.
execute_process(COMMAND nm -D -C ${WORK}/build/libWholePath.so OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
if(NOT symbols MATCHES "Kept::isIdSet\\(\\) const" OR symbols MATCHES "Kept::Kept\\(std|Spanning::Spanning\\(std")
  message(FATAL_ERROR "the gen: marks of the schema file were not followed:\n${symbols}")
endif()

# No other step: the build notices the schema change on its own.
file(WRITE ${WORK}/schemas/Types.xsd "${head}  <xs:complexType name=\"Added\"/>\n</xs:schema>\n")
run(${CMAKE_COMMAND} --build ${WORK}/build)
expect(2 "Kept;Spanning;Added" "Removed")
