# How the build keeps the program's layers apart.
#
# A target that included src/ as a whole would see every folder in it. Each
# layer instead gets an include root of its own in the build tree, holding
# links to just its own files or folders, so "scheme/DemoFiles.h" is found
# only by a target that links velmorin_scheme.
#
# A path that climbs out of a folder ("../../app/App.h", or an absolute one)
# still reaches any file, whatever the include roots are, so a layer can also
# be compiled through tools/layering/check-includes, which refuses each
# object whose compilation read a header from a folder the layer must not
# reach.

set(velmorin_layer_source_root "${PROJECT_SOURCE_DIR}/src")
set(velmorin_layer_check "${CMAKE_CURRENT_LIST_DIR}/check-includes")

# velmorin_layer_root(TARGET SCOPE PATH...): gives TARGET (with SCOPE, as in
# target_include_directories) an include root that holds links to PATHs, each
# a file or folder of src/ named relative to it.
function(velmorin_layer_root target scope)
    set(root "${CMAKE_BINARY_DIR}/layers/${target}")
    # Made afresh, so a file removed from src/ leaves no link behind; the
    # links themselves are removed, never what they point to.
    file(REMOVE_RECURSE "${root}")
    foreach(path IN LISTS ARGN)
        get_filename_component(parent "${root}/${path}" DIRECTORY)
        file(MAKE_DIRECTORY "${parent}")
        file(CREATE_LINK "${velmorin_layer_source_root}/${path}" "${root}/${path}" SYMBOLIC)
    endforeach()
    target_include_directories(${target} ${scope} "${root}")
endfunction()

# velmorin_forbid_includes(TARGET FOLDER...): the build fails on any object of
# TARGET whose compilation read a header from one of the FOLDERs, however the
# include spelled its path.
function(velmorin_forbid_includes target)
    set(launcher sh "${velmorin_layer_check}" ${ARGN} --)
    if(CMAKE_CXX_COMPILER_LAUNCHER)
        list(APPEND launcher ${CMAKE_CXX_COMPILER_LAUNCHER})
    endif()
    set_target_properties(${target} PROPERTIES CXX_COMPILER_LAUNCHER "${launcher}")
endfunction()
