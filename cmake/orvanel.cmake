# Helpers of the top-level CMakeLists.txt. The tree fills up folder by folder, so every
# helper accepts an empty folder: a library with no sources yet is an INTERFACE library
# that still carries its include directory and link dependencies.

# orvanel_glob(VAR pattern...): source files matching the patterns, relative to the
# repository root; new files are noticed at the next build.
function(orvanel_glob var)
    set(patterns)
    foreach(pattern IN LISTS ARGN)
        list(APPEND patterns ${CMAKE_SOURCE_DIR}/${pattern})
    endforeach()
    file(GLOB found CONFIGURE_DEPENDS ${patterns})
    list(SORT found)
    set(${var} ${found} PARENT_SCOPE)
endfunction()

# -Wall -Wextra for our own C and C++ code (not for GoogleTest, not for resource scripts).
function(orvanel_warnings target)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra>)
endfunction()

function(orvanel_library name)
    if(ARGN)
        add_library(${name} STATIC ${ARGN})
        target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
        orvanel_warnings(${name})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    endif()
endfunction()

function(_orvanel_scope target out)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        set(${out} INTERFACE PARENT_SCOPE)
    else()
        set(${out} PUBLIC PARENT_SCOPE)
    endif()
endfunction()

function(orvanel_link target)
    _orvanel_scope(${target} scope)
    target_link_libraries(${target} ${scope} ${ARGN})
endfunction()

function(orvanel_definitions target)
    _orvanel_scope(${target} scope)
    target_compile_definitions(${target} ${scope} ${ARGN})
endfunction()

function(orvanel_require_native what)
    if(WIN32)
        message(FATAL_ERROR "${what} is for the native build only")
    endif()
endfunction()
