# Fails when any C++ source of the project differs from what clang-format makes of it.
file(GLOB_RECURSE sources
    ${ROOT}/app/*.cpp ${ROOT}/app/*.h ${ROOT}/scan/*.cpp ${ROOT}/scan/*.h ${ROOT}/colour/*.cpp ${ROOT}/colour/*.h
    ${ROOT}/detail/*.cpp ${ROOT}/detail/*.h ${ROOT}/help/*.cpp ${ROOT}/help/*.h ${ROOT}/platform/*.cpp
    ${ROOT}/platform/*.h ${ROOT}/pickers/*.cpp ${ROOT}/pickers/*.h ${ROOT}/resources/*.cpp ${ROOT}/resources/*.h
    ${ROOT}/tools/*.cpp ${ROOT}/tools/*.h ${ROOT}/bench/*.cpp ${ROOT}/bench/*.h ${ROOT}/data/*.cpp
    ${ROOT}/tests/*.cpp ${ROOT}/tests/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "clang-format would change these files:\n${err}")
endif()
