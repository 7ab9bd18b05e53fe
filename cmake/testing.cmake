# tarnwell_add_gtests(target): registers a GoogleTest program with ctest.
function(tarnwell_add_gtests target)
    if(CMAKE_CROSSCOMPILING)
        # Discovery would need the emulator at build time; one ctest entry per program.
        add_test(NAME ${target} COMMAND ${target})
        set_tests_properties(${target} PROPERTIES TIMEOUT 300)
        if(COMMAND tarnwell_wine_test_properties)
            tarnwell_wine_test_properties(${target})
        endif()
    else()
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
    endif()
endfunction()
