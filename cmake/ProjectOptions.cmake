# Shared options and helpers for every target of the project.

option(BUILD_TESTING "Build the test programs" ON)
option(BUILD_BENCHMARKS "Build the benchmark programs" ON)
option(WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

# Warnings on for our own targets (not for generated moc/uic/rcc code paths
# that Qt already keeps clean).
function(project_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(WARNINGS_AS_ERRORS)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)
endfunction()

# add_project_test(NAME <name> SOURCES <files...> LIBS <libs...> [LABELS <labels...>] [TIMEOUT <s>])
# A QtTest program run through CTest on the offscreen platform. TEST_DATA_DIR
# points at tests/data, TEST_APP_DIR at the directory the program is laid out in.
function(add_project_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    qt_add_executable(${T_NAME} ${T_SOURCES})
    set_target_properties(${T_NAME} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests/bin"
        BUILD_RPATH "${APP_OUTPUT_DIR};${APP_OUTPUT_DIR}/${APP_PLUGIN_SUBDIR}")
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
    target_compile_definitions(${T_NAME} PRIVATE
        TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
        TEST_APP_DIR="${APP_OUTPUT_DIR}"
        TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    project_warnings(${T_NAME})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
        TIMEOUT ${T_TIMEOUT})
    if(T_LABELS)
        set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()

# add_project_library(<name> SOURCES ...): a shared library exporting through
# <NAME>_EXPORT from a generated <name>/<name>_export.h. Its users include its
# headers by the library's folder name (<name>/header.h): the include path is
# the layer folder that holds it.
function(add_project_library name)
    cmake_parse_arguments(L "" "" "SOURCES" ${ARGN})
    qt_add_library(${name} SHARED ${L_SOURCES})
    string(TOUPPER ${name} upper)
    generate_export_header(${name}
        BASE_NAME ${upper}
        EXPORT_FILE_NAME "${CMAKE_CURRENT_BINARY_DIR}/include/${name}/${name}_export.h")
    target_include_directories(${name} PUBLIC
        "${CMAKE_CURRENT_SOURCE_DIR}/.." "${CMAKE_CURRENT_BINARY_DIR}/include")
    project_warnings(${name})
    install(TARGETS ${name} LIBRARY DESTINATION ${APP_INSTALL_DIR} RUNTIME DESTINATION ${APP_INSTALL_DIR})
endfunction()
