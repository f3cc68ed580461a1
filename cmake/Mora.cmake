# Helpers shared by every subsystem: one static library per src/ folder, tests, and the
# layering rule (which folder may use which).

# Folders of ours that each subsystem may use.
set(MORA_ALLOWED_core "")
set(MORA_ALLOWED_dictionary core)
set(MORA_ALLOWED_alarmtext core dictionary)
set(MORA_ALLOWED_protocols core)
set(MORA_ALLOWED_telephony core dictionary protocols)
set(MORA_ALLOWED_gsm core dictionary telephony)
set(MORA_ALLOWED_mail core dictionary)
set(MORA_ALLOWED_database core dictionary alarmtext)
set(MORA_ALLOWED_station core dictionary alarmtext protocols telephony gsm mail database)
set(MORA_ALLOWED_ui core dictionary alarmtext protocols telephony gsm mail database station)

set(MORA_WARNINGS -Wall -Wextra -Werror)
# GCC 12 reports false positives of these inside libstdc++ once the optimiser inlines vector and
# string copies (GCC bugs 105329, 105651, 107852); they stay visible as warnings.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    list(APPEND MORA_WARNINGS -Wno-error=array-bounds -Wno-error=restrict -Wno-error=stringop-overflow)
endif()

# mora_add_library(<folder> SOURCES ... [DEPS <folders of ours>] [LIBS <other libraries>])
# Creates mora_<folder>. Each folder exposes its own directory as include root, so a header of a
# folder that is not linked cannot even be found.
function(mora_add_library folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LIBS" ${ARGN})
    set(target mora_${folder})
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src/${folder})
    target_compile_options(${target} PRIVATE ${MORA_WARNINGS})
    foreach(dep IN LISTS ARG_DEPS)
        target_link_libraries(${target} PUBLIC mora_${dep})
    endforeach()
    target_link_libraries(${target} PUBLIC ${ARG_LIBS} Threads::Threads)
    set_property(GLOBAL APPEND PROPERTY MORA_LIBRARIES ${folder})
    set_property(GLOBAL PROPERTY MORA_DEPS_${folder} ${ARG_DEPS})
endfunction()

# Test programs that start threads (queues, handlers, the dictionary under load, the link against
# the modem simulator): they carry the ctest label "threads", and mora_thread_tests builds just
# them (for the ThreadSanitizer build). The GUI tests and the whole-program tests are not among
# them: under the sanitizer they would cost more time than the test command has.
set(MORA_THREAD_TEST_PROGRAMS core_tests dictionary_tests telephony_tests telephony_e2e_tests gsm_tests
    mail_tests database_tests station_tests station_window_tests)
if(NOT CMAKE_SCRIPT_MODE_FILE AND NOT TARGET mora_thread_tests)
    add_custom_target(mora_thread_tests)
endif()

# mora_add_test(<name> SOURCES ... LIBS ... [ENV VAR=VALUE ...] [TIMEOUT s])
function(mora_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE ${MORA_WARNINGS})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} mora_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    # No empty value may stand among the properties (the discovery script drops it and the next
    # word becomes the value), so the labels go in front of the possibly empty ENVIRONMENT.
    set(label_properties "")
    if(name IN_LIST MORA_THREAD_TEST_PROGRAMS)
        set(label_properties LABELS threads)
        add_dependencies(mora_thread_tests ${name})
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES TIMEOUT ${ARG_TIMEOUT} ${label_properties} ENVIRONMENT "${ARG_ENV}")
endfunction()

# Fails the configure step when a library links a folder of ours it may not use, and adds a
# build step that fails when a source includes a header of a folder it may not use.
function(mora_check_layering)
    get_property(libs GLOBAL PROPERTY MORA_LIBRARIES)
    foreach(folder IN LISTS libs)
        get_property(deps GLOBAL PROPERTY MORA_DEPS_${folder})
        foreach(dep IN LISTS deps)
            if(NOT dep IN_LIST MORA_ALLOWED_${folder})
                message(FATAL_ERROR "Layering: mora_${folder} may not use mora_${dep}")
            endif()
        endforeach()
    endforeach()
    set(stamp ${CMAKE_BINARY_DIR}/layering.stamp)
    file(GLOB_RECURSE all_sources CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/src/*.h ${CMAKE_SOURCE_DIR}/src/*.cpp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_SOURCE_DIR}/src -DSTAMP=${stamp}
                -P ${CMAKE_SOURCE_DIR}/cmake/CheckIncludes.cmake
        DEPENDS ${all_sources} ${CMAKE_SOURCE_DIR}/cmake/CheckIncludes.cmake
                ${CMAKE_SOURCE_DIR}/cmake/Mora.cmake
        COMMENT "Checking the layering of includes")
    add_custom_target(mora_layering ALL DEPENDS ${stamp})
    foreach(folder IN LISTS libs)
        add_dependencies(mora_${folder} mora_layering)
    endforeach()
endfunction()
