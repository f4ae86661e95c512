# tests/messages/checkMsgc.cmake - runs msgc as a user would: cmake -DMSGC=... -DCATALOGUE=...
# -DSOURCE=vectrin.msg -DWORK=dir -P checkMsgc.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(expect_run wantStatus)
    execute_process(COMMAND ${MSGC} ${ARGN} RESULT_VARIABLE status
                    OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL wantStatus)
        message(FATAL_ERROR "msgc ${ARGN}: status ${status}, wanted ${wantStatus}\n${out}${err}")
    endif()
    set(out "${out}" PARENT_SCOPE)
    set(err "${err}" PARENT_SCOPE)
endfunction()

function(expect_match text pattern what)
    if(NOT text MATCHES "${pattern}")
        message(FATAL_ERROR "${what}: no match for '${pattern}' in:\n${text}")
    endif()
endfunction()

# dump lists every message, one per line
expect_run(0 dump ${CATALOGUE})
string(REGEX MATCHALL "\n[0-9]+:[0-9]+ " lines "\n${out}")
list(LENGTH lines count)
if(NOT count EQUAL 95)
    message(FATAL_ERROR "dump listed ${count} messages, wanted 95:\n${out}")
endif()
expect_match("${out}" "\n37:3 12 \"CALC\"\n" "dump")
expect_match("${out}" "\n23:65 12 \"\\\\n" "dump escapes line feeds")

# the dump reads back as a source that compiles to the same messages
file(WRITE ${WORK}/again.msg "${out}")
expect_run(0 build ${WORK}/again.msg -o ${WORK}/again.cat)
set(first "${out}")
expect_run(0 dump ${WORK}/again.cat)
string(REGEX REPLACE "^[^\n]*\n" "" first "${first}")
string(REGEX REPLACE "^[^\n]*\n" "" second "${out}")
if(NOT first STREQUAL second)
    message(FATAL_ERROR "a rebuilt dump differs")
endif()

expect_run(0 verify ${CATALOGUE})
expect_match("${out}" "95 messages read back" "verify")

# Several messages to a block in every kind, and all kinds in one block: verify reads each text
# back through the library and fails if one differs or runs on past its record.
foreach(kind 1 7 9)
    expect_run(0 build ${SOURCE} -o ${WORK}/kind${kind}.cat --kind ${kind} --per-block 3)
    expect_run(0 verify ${WORK}/kind${kind}.cat)
endforeach()
file(WRITE ${WORK}/mixed.msg "1:1 9 \"Hi\\xe9\"\n1:2 1 \"odd\"\n1:3 7 \"plain\"\n1:4 \"four\"\n")
expect_run(0 build ${WORK}/mixed.msg -o ${WORK}/mixed.cat --per-block 3)
expect_run(0 verify ${WORK}/mixed.cat)
expect_run(0 dump ${WORK}/mixed.cat)
expect_match("${out}" "\n1:1 9 \"Hi\\\\xE9\"\n1:2 1 \"odd\"\n1:3 7 \"plain\"\n1:4 12 \"four\"\n$" "mixed kinds")

# append gives a module its texts and replaces them on a second run
file(WRITE ${WORK}/module.so "pretend library image")
file(WRITE ${WORK}/one.msg "37:1 \"first\"\n")
file(WRITE ${WORK}/two.msg "37:1 7 \"second\"\n37:2 \"more\"\n")
expect_run(0 append ${WORK}/one.msg ${WORK}/module.so)
expect_run(0 append ${WORK}/two.msg ${WORK}/module.so --per-block 2 --pin-module 37)
expect_run(0 dump ${WORK}/module.so)
expect_match("${out}" "\n37:1 7 \"second\"\n37:2 12 \"more\"\n$" "append")
file(READ ${WORK}/module.so image LIMIT 21 HEX)
expect_match("${image}" "^70726574656e64206c69627261727920696d616765$" "append keeps the library")
expect_run(0 verify ${WORK}/module.so)

# bad input: a clear message and a failing status
expect_run(1 dump ${WORK}/one.msg)
expect_match("${err}" "carries no message catalogue" "dump of a plain file")
file(WRITE ${WORK}/bad.msg "1:1 \"fine\"\n1:2 \"unterminated\n")
expect_run(1 build ${WORK}/bad.msg -o ${WORK}/bad.cat)
expect_match("${err}" "bad.msg:2: the text has no closing double quote" "bad source")
file(WRITE ${WORK}/gap.msg "1:1 \"a\"\n\n1:3 \"c\"\n")
expect_run(1 build ${WORK}/gap.msg -o ${WORK}/gap.cat)
expect_match("${err}" "gap.msg:3: message 1:2: missing" "gap")
expect_run(2)
expect_run(2 build ${WORK}/one.msg)
expect_run(2 frobnicate)
expect_run(2 build ${WORK}/one.msg -o ${WORK}/x.cat --per-block 0)
expect_run(2 build ${WORK}/one.msg -o ${WORK}/x.cat --pin 37)
expect_run(2 build ${WORK}/one.msg -o ${WORK}/x.cat --kind 3)
expect_match("${err}" "usage: msgc build" "usage text")
expect_run(0 --help)
file(REMOVE_RECURSE ${WORK})
