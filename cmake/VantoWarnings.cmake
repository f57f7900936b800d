# Warnings as errors for the project's own targets only; third-party headers come in as SYSTEM.
# GCC 12 at -O3 reports overlapping copies inside std::string's own concatenation (a known false
# -Wrestrict in libstdc++ headers), so that one warning is not made an error there.
function(vanto_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror
                           $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-error=restrict>)
endfunction()

# One GoogleTest executable per module, registered with CTest as one test.
function(vanto_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    vanto_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS unit)
endfunction()

# One Qt Test executable on the offscreen platform, registered with CTest as one test.
# ENVIRONMENT adds to QT_QPA_PLATFORM=offscreen; TIMEOUT is in seconds.
function(vanto_qtest name)
    cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
    vanto_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_LABEL)
        set(ARG_LABEL unit)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABEL}
                         ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENVIRONMENT}")
    if(ARG_TIMEOUT)
        set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    endif()
endfunction()
