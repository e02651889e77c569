# Builds and runs the consumer program against the install in PREFIX, once
# through find_package and once through pkg-config.
include(${CMAKE_CURRENT_LIST_DIR}/Run.cmake)
file(REMOVE_RECURSE ${WORK})

run(${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/consumer -B ${WORK}/cmake ${project_settings})
run(${CMAKE_COMMAND} --build ${WORK}/cmake)
run(${WORK}/cmake/consumer)

file(GLOB pkgconfig_dir ${PREFIX}/lib*/pkgconfig)
set(ENV{PKG_CONFIG_PATH} ${pkgconfig_dir})
execute_process(COMMAND pkg-config --cflags --libs BrisvaleCadMessages
  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
separate_arguments(flags UNIX_COMMAND "${flags} ${CXX_FLAGS} ${LINKER_FLAGS}")
run(${CXX} -std=c++17 ${CMAKE_CURRENT_LIST_DIR}/consumer/main.cpp ${flags} -o ${WORK}/consumer-pc)
get_filename_component(libdir ${pkgconfig_dir} DIRECTORY)
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir} ${WORK}/consumer-pc)
