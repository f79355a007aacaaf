# -DTOVA_SANITIZE=address,undefined builds every target (libraries, programs, tests) with those
# sanitizers. Any list that the compiler's -fsanitize= accepts works; empty means none.
# UBSan findings stop the program (-fno-sanitize-recover) so that ctest sees them as failures instead
# of a line in a log that nobody reads.
set(TOVA_SANITIZE "" CACHE STRING "Sanitizers for every target, e.g. address,undefined (empty: none)")

if(TOVA_SANITIZE)
    string(REPLACE ";" "," tova_sanitize_list "${TOVA_SANITIZE}")
    set(tova_sanitize_flags -fsanitize=${tova_sanitize_list} -fno-omit-frame-pointer)
    if(tova_sanitize_list MATCHES "undefined")
        list(APPEND tova_sanitize_flags -fno-sanitize-recover=undefined)
    endif()
    message(STATUS "Sanitizers for every target: ${tova_sanitize_list}")
    add_compile_options(${tova_sanitize_flags})
    add_link_options(${tova_sanitize_flags})
    # gcc links its sanitizer runtimes dynamically, and ASan then refuses to start unless its runtime is
    # the first library loaded: the system tests preload libfaketime. Linked statically (clang's default)
    # the runtime is part of the program and any preload is fine.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        if(tova_sanitize_list MATCHES "address")
            add_link_options(-static-libasan)
        endif()
        if(tova_sanitize_list MATCHES "undefined")
            add_link_options(-static-libubsan)
        endif()
    endif()
endif()
