# Strict warnings for our own targets; third-party headers come in as SYSTEM.
function(tirelon_strict target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
    if(TIRELON_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# A library of one layer: its sources, its public dependencies, strict flags.
function(tirelon_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
    tirelon_strict(${name})
endfunction()

# A test executable registered with CTest; each test case becomes a CTest test.
function(tirelon_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LABELS" ${ARGN})
    # While several people add files at once, a developer build may skip a test
    # whose sources are not all there yet; normal builds never do.
    if(TIRELON_DEV_TOLERANT)
        foreach(src IN LISTS ARG_SOURCES)
            if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${src})
                message(WARNING "skipping ${name}: ${src} missing")
                return()
            endif()
        endforeach()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} tirelon_testsupport GTest::gtest)
    tirelon_strict(${name})
    if(NOT ARG_LABELS)
        set(ARG_LABELS ${name})
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${ARG_LABELS}" TIMEOUT 300)
endfunction()
