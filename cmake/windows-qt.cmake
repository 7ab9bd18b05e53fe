# The windows of the Windows build link a static Qt built for MinGW-w64 by
# scripts/build-qt-windows, which keeps it outside the clone. With that Qt the build has every
# window, the program and their tests; without it the build goes on without them and says so.
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/build-qt-windows --prefix
    OUTPUT_VARIABLE TARNWELL_WINDOWS_QT OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE prefix_result)
if(prefix_result EQUAL 0 AND EXISTS ${TARNWELL_WINDOWS_QT}/.tarnwell-built)
    message(STATUS "Qt for Windows: ${TARNWELL_WINDOWS_QT}")
    # The toolchain re-roots every search under the MinGW sysroot, so a plain prefix path would
    # not find this Qt: it becomes a root of its own.
    list(APPEND CMAKE_FIND_ROOT_PATH ${TARNWELL_WINDOWS_QT})
    # moc, rcc and uic come from the host Qt of the same version.
    set(QT_HOST_PATH /usr CACHE PATH "Host Qt for the Qt tools")
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake
        CACHE PATH "CMake packages of the host Qt")
else()
    message(STATUS "No Qt for Windows in ${TARNWELL_WINDOWS_QT}: building without the windows "
                   "(scripts/build-qt-windows builds that Qt once)")
    set(TARNWELL_BUILD_GUI OFF)
endif()
