# tm47_library(NAME SOURCES... [QT] LIBS ...)
#   A folder's library. QT marks libraries that use Qt; the others are the rule libraries the
#   fuzzers drive, so a fuzz build gives them coverage instrumentation.
function(tm47_library name)
    cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS} Threads::Threads)
    if(NOT ARG_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC OFF)
        if(TM47_FUZZ)
            target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
        endif()
    endif()
endfunction()

# tm47_gtest(NAME SOURCES... LIBS ... [LABELS ...])
#   A GoogleTest program registered with CTest test by test. LABELS "threads" marks tests
#   that exercise reader threads and hand-over; the ThreadSanitizer build runs those.
function(tm47_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
    target_compile_definitions(${name} PRIVATE TM47_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    include(GoogleTest)
    set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    if(ARG_LABELS)
        list(APPEND props LABELS "${ARG_LABELS}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
    if("threads" IN_LIST ARG_LABELS)
        set_property(GLOBAL APPEND PROPERTY TM47_THREAD_TESTS ${name})
    endif()
endfunction()

# tm47_add_folder(DIR)
#   add_subdirectory that names the folder when its CMakeLists.txt is missing: every folder
#   of the build is required, so a lost file stops configuration instead of a library.
function(tm47_add_folder dir)
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
        file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
        message(FATAL_ERROR "folder ${folder}: ${folder}/CMakeLists.txt is missing")
    endif()
    add_subdirectory(${dir})
endfunction()

# tm47_folder(NAME RULES files... [UI files...] [PROGRAMS files...] [LIBS ...] [UI_LIBS ...])
#   The folder's libraries, from its files listed by name: RULES (code without Qt) become
#   NAME, UI (screens and other Qt code) become NAME_ui, which links NAME and Qt. PROGRAMS
#   are the files of the folder's executables, built by the caller. A folder without UI
#   files or UI_LIBS has no NAME_ui. Every .cpp and .h of the
#   folder must be in one list, so a new file is placed on purpose; scripts/check-layering.py
#   reads the same lists.
function(tm47_folder name)
    cmake_parse_arguments(ARG "" "" "RULES;UI;PROGRAMS;LIBS;UI_LIBS" ${ARGN})
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set(listed ${ARG_RULES} ${ARG_UI} ${ARG_PROGRAMS})
    file(GLOB present RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} *.cpp *.h)
    foreach(file ${present})
        if(NOT file IN_LIST listed)
            message(FATAL_ERROR "${folder}/${file} is in no list (RULES, UI or PROGRAMS) of "
                                "${folder}/CMakeLists.txt")
        endif()
    endforeach()
    foreach(file ${listed})
        if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${file})
            message(FATAL_ERROR "${folder}/CMakeLists.txt lists ${file}, which is missing")
        endif()
    endforeach()

    list(FILTER ARG_RULES INCLUDE REGEX "\\.cpp$")
    if(ARG_RULES)
        tm47_library(${name} SOURCES ${ARG_RULES} LIBS ${ARG_LIBS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    endif()
    if(NOT (ARG_UI OR ARG_UI_LIBS))
        return()
    endif()
    list(FILTER ARG_UI INCLUDE REGEX "\\.cpp$")
    if(ARG_UI)
        tm47_library(${name}_ui QT SOURCES ${ARG_UI} LIBS ${name} ${ARG_UI_LIBS} Qt6::Widgets Qt6::Network)
    else()
        add_library(${name}_ui INTERFACE)
        target_link_libraries(${name}_ui INTERFACE ${name} ${ARG_UI_LIBS} Qt6::Widgets)
    endif()
endfunction()

# tm47_folder_tests(NAME LIBS ...)
#   One test program NAME_tests from every *_test.cpp here, and NAME_thread_tests (label
#   "threads", run under ThreadSanitizer too) from every *_threads_test.cpp.
function(tm47_folder_tests name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB plain CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    file(GLOB threaded CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_threads_test.cpp)
    file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
    list(REMOVE_ITEM plain ${threaded})
    if(plain)
        tm47_gtest(${name}_tests SOURCES ${plain} ${support} LIBS ${ARG_LIBS})
    endif()
    if(threaded)
        tm47_gtest(${name}_thread_tests SOURCES ${threaded} ${support} LIBS ${ARG_LIBS}
                   LABELS threads)
    endif()
endfunction()

# tm47_qtest(TARGET PREFIX name [TIMEOUT s] [COST n] [LABELS ...] [ENVIRONMENT ...]
#            [THREAD_FUNCTIONS ...])
#   Registers a QtTest program with CTest function by function (PREFIX.function), so ctest -j
#   spreads a long program over the cores. Each runs on the offscreen platform in its own
#   process with its own temporary folders. THREAD_FUNCTIONS also get the label "threads" (the
#   ThreadSanitizer build runs those, and builds the program through the thread_tests target).
#   ENVIRONMENT adds variables; LABELS go to every function. COST makes ctest start these
#   before cheaper tests when it has no timings from an earlier run yet.
function(tm47_qtest target)
    cmake_parse_arguments(ARG "" "PREFIX;TIMEOUT;COST" "LABELS;ENVIRONMENT;THREAD_FUNCTIONS"
                          ${ARGN})
    if(NOT ARG_PREFIX)
        set(ARG_PREFIX ${target})
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 180)
    endif()
    if(NOT ARG_COST)
        set(ARG_COST 0)
    endif()
    set(env QT_QPA_PLATFORM=offscreen ${ARG_ENVIRONMENT})
    if(TM47_SANITIZE STREQUAL "thread")
        # Qt's own event dispatcher: GLib's is not built with ThreadSanitizer.
        list(APPEND env QT_NO_GLIB=1)
    endif()
    set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${ARG_PREFIX}_functions.cmake")
    file(GENERATE OUTPUT "${include_file}" CONTENT
"set(_tm47_exe \"$<TARGET_FILE:${target}>\")
set(_tm47_prefix \"${ARG_PREFIX}\")
set(_tm47_timeout \"${ARG_TIMEOUT}\")
set(_tm47_cost \"${ARG_COST}\")
set(_tm47_labels \"${ARG_LABELS}\")
set(_tm47_env \"${env}\")
set(_tm47_thread_functions \"${ARG_THREAD_FUNCTIONS}\")
include(\"${PROJECT_SOURCE_DIR}/cmake/Tm47QtTestDiscovery.cmake\")
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
    if(ARG_THREAD_FUNCTIONS)
        set_property(GLOBAL APPEND PROPERTY TM47_THREAD_TESTS ${target})
    endif()
endfunction()
