# tarnwell_windows_resources(target DESCRIPTION text [ICON file] [MANIFEST template]):
# puts version information into a Windows program, and optionally its icon and an application
# manifest (a template configured with the project's version).
function(tarnwell_windows_resources target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "DESCRIPTION;ICON;MANIFEST" "")
    set(TARNWELL_RC_DESCRIPTION "${arg_DESCRIPTION}")
    set(TARNWELL_RC_NAME "${target}")
    set(TARNWELL_RC_FILENAME "${target}.exe")
    set(TARNWELL_RC_EXTRA "")
    if(arg_ICON)
        string(APPEND TARNWELL_RC_EXTRA "1 ICON \"${arg_ICON}\"\n")
    endif()
    if(arg_MANIFEST)
        set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
        configure_file(${arg_MANIFEST} ${manifest} @ONLY)
        # Resource 1 of type RT_MANIFEST is the one Windows reads when it starts the program.
        string(APPEND TARNWELL_RC_EXTRA "1 24 \"${manifest}\"\n")
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/windows/resources.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    # The manifest and icon are read by the resource compiler, which CMake cannot scan.
    set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${arg_ICON} ${manifest})
endfunction()
