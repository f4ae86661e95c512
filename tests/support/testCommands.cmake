# tests/support/testCommands.cmake - how a test that runs a command is added (tests/ and fuzz/):
# with /dev/null as its standard input and a time limit, so that no test waits on the terminal of
# whoever runs ctest and none can hang a run. GoogleTest binaries get the same from their main
# (testMain.cpp) and add_unit_tests in tests/CMakeLists.txt.
#
# add_command_test(NAME TIMEOUT SECONDS COMMAND COMMAND [ARG]... [PROPERTIES PROPERTY VALUE...])
function(add_command_test name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "TIMEOUT" "COMMAND;PROPERTIES")
    if(NOT arg_TIMEOUT OR NOT arg_COMMAND)
        message(FATAL_ERROR "add_command_test(${name}): give it a TIMEOUT and a COMMAND")
    endif()
    add_test(NAME ${name} COMMAND sh -c "exec \"$@\" < /dev/null" ${name} ${arg_COMMAND})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${arg_TIMEOUT} ${arg_PROPERTIES})
endfunction()
