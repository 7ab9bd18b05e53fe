# The folders of src/ are layers: a library may include the headers of its own folder and of the
# libraries it links, nothing else. Each folder's headers are reached through an include root of
# its own, build/include/<folder>/<folder> -> src/<folder>, so "config/settings.h" is found only
# where tarnwell_config is linked, and a use of a higher layer fails to compile.

# tarnwell_layer(target folder): target's folder, which target and all that link it may include.
function(tarnwell_layer target folder)
    set(root ${CMAKE_BINARY_DIR}/include/${folder})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC RESULT linked)
        if(NOT linked EQUAL 0)
            # No symbolic links here (Windows without developer mode): the layers go unchecked.
            message(STATUS "tarnwell: cannot link ${root}/${folder} (${linked}); layers unchecked")
            set(root ${CMAKE_SOURCE_DIR}/src)
        endif()
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()
