# Runs the cross-built tests under Wine. One prefix inside the build folder, booted once by a
# fixture before the tests and shut down after them.
set(TARNWELL_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(TARNWELL_WINE_RUN ${CMAKE_SOURCE_DIR}/cmake/wine-run)

add_test(NAME wine_start COMMAND ${TARNWELL_WINE_RUN} ${TARNWELL_WINE_PREFIX} --start)
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine_stop COMMAND ${TARNWELL_WINE_RUN} ${TARNWELL_WINE_PREFIX} --stop)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# tarnwell_wine_test_properties(test): a test that runs a Windows program under Wine.
function(tarnwell_wine_test_properties test)
    set_tests_properties(${test} PROPERTIES
        FIXTURES_REQUIRED wine
        ENVIRONMENT "WINEPREFIX=${TARNWELL_WINE_PREFIX};WINEDEBUG=-all"
        TIMEOUT 300)
endfunction()
