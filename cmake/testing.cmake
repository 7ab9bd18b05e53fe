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

# tarnwell_add_qtest(name source... LIBRARIES library...): a QtTest program for windows, linked
# with the libraries it tests, run offscreen.
function(tarnwell_add_qtest name)
    cmake_parse_arguments(PARSE_ARGV 1 qtest "" "" "LIBRARIES")
    add_executable(${name} ${qtest_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${qtest_LIBRARIES} tarnwell_test_support Qt6::Test)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 120 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    # A static Qt links only the platform plugin of the target system.
    get_target_property(qt_type Qt6::Core TYPE)
    if(qt_type STREQUAL "STATIC_LIBRARY")
        qt_import_plugins(${name} INCLUDE Qt6::QOffscreenIntegrationPlugin)
    endif()
    if(COMMAND tarnwell_wine_test_properties)
        tarnwell_wine_test_properties(${name})
        # Wine hands WINEQT_X to the program as QT_X; it hides the host's QT_ variables. Under
        # Wine, QtTest writes through OutputDebugString unless told to use stderr.
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
            "WINEQT_QPA_PLATFORM=offscreen;WINEQT_FORCE_STDERR_LOGGING=1")
    endif()
endfunction()
