# Run by ctest as it starts (through TEST_INCLUDE_FILES): one ctest entry PREFIX.function per
# test function of a QtTest program, read from its -functions listing. The listing is kept
# beside the program until the program is rebuilt. Set by the include file: _tm47_exe,
# _tm47_prefix, _tm47_timeout, _tm47_cost, _tm47_labels, _tm47_env, _tm47_thread_functions.
if(NOT EXISTS "${_tm47_exe}")
    # Not built in this tree (the ThreadSanitizer build makes only the threaded tests).
    add_test("${_tm47_prefix}_NOT_BUILT" "${_tm47_exe}")
    return()
endif()
set(_tm47_list "${_tm47_exe}.functions")
if(NOT EXISTS "${_tm47_list}" OR "${_tm47_exe}" IS_NEWER_THAN "${_tm47_list}")
    set(ENV{QT_QPA_PLATFORM} offscreen)
    set(ENV{ASAN_OPTIONS} "$ENV{ASAN_OPTIONS}:detect_leaks=0") # a listing, not a test
    execute_process(COMMAND "${_tm47_exe}" -functions OUTPUT_VARIABLE _tm47_out
                    ERROR_VARIABLE _tm47_err RESULT_VARIABLE _tm47_rc TIMEOUT 120)
    if(NOT _tm47_rc EQUAL 0)
        add_test("${_tm47_prefix}_LISTING_FAILED" "${_tm47_exe}" -functions)
        return()
    endif()
    file(WRITE "${_tm47_list}" "${_tm47_out}")
endif()
file(STRINGS "${_tm47_list}" _tm47_lines)
foreach(_tm47_line IN LISTS _tm47_lines)
    if(NOT _tm47_line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\\(\\)$")
        continue()
    endif()
    set(_tm47_fn "${CMAKE_MATCH_1}")
    set(_tm47_name "${_tm47_prefix}.${_tm47_fn}")
    set(_tm47_fn_labels ${_tm47_labels})
    list(FIND _tm47_thread_functions "${_tm47_fn}" _tm47_at) # ctest runs this without policies
    if(NOT _tm47_at EQUAL -1)
        list(APPEND _tm47_fn_labels threads)
    endif()
    add_test("${_tm47_name}" "${_tm47_exe}" "${_tm47_fn}")
    set_tests_properties("${_tm47_name}" PROPERTIES TIMEOUT "${_tm47_timeout}"
                         COST "${_tm47_cost}" ENVIRONMENT "${_tm47_env}")
    if(_tm47_fn_labels)
        set_tests_properties("${_tm47_name}" PROPERTIES LABELS "${_tm47_fn_labels}")
    endif()
endforeach()
