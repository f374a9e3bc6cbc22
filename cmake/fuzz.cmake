# The libFuzzer targets (ORVANEL_FUZZ): fuzz/NAME.cpp becomes fuzz_NAME, linked with the
# core and the shared fakes. Each is one ctest entry that runs it over its seeds for a
# fixed number of inputs (ORVANEL_FUZZ_RUNS_NAME, else ORVANEL_FUZZ_RUNS), so a test run
# exercises every target in about a minute. Seeds: fuzz/corpus/NAME and the folders in
# ORVANEL_FUZZ_SEEDS_NAME; fuzz/NAME.dict, when there, is the target's dictionary. New
# inputs and crash files go to build/fuzz/work/NAME, never into the repository.
set(ORVANEL_FUZZ_RUNS 100000)
set(ORVANEL_FUZZ_RUNS_song 3000)
set(ORVANEL_FUZZ_SEEDS_song samples samples/hostile)

add_library(orvanel_fuzz_support OBJECT ${CMAKE_SOURCE_DIR}/tests/support/capture.cpp)
target_link_libraries(orvanel_fuzz_support PUBLIC orvanel_core)

enable_testing()
orvanel_glob(ORVANEL_FUZZ_SOURCES fuzz/*.cpp)
foreach(source IN LISTS ORVANEL_FUZZ_SOURCES)
    get_filename_component(name ${source} NAME_WE)
    add_executable(fuzz_${name} ${source})
    target_link_libraries(fuzz_${name} PRIVATE orvanel_fuzz_support orvanel_core)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    orvanel_warnings(fuzz_${name})

    if(DEFINED ORVANEL_FUZZ_RUNS_${name})
        set(runs ${ORVANEL_FUZZ_RUNS_${name}})
    else()
        set(runs ${ORVANEL_FUZZ_RUNS})
    endif()
    set(arguments -runs=${runs} -seed=1 -timeout=10 ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
    foreach(folder IN LISTS ORVANEL_FUZZ_SEEDS_${name})
        list(APPEND arguments ${CMAKE_SOURCE_DIR}/${folder})
    endforeach()
    if(EXISTS ${CMAKE_SOURCE_DIR}/fuzz/${name}.dict)
        list(APPEND arguments -dict=${CMAKE_SOURCE_DIR}/fuzz/${name}.dict)
    endif()
    add_test(NAME fuzz_${name}
        COMMAND sh ${CMAKE_SOURCE_DIR}/tools/run-fuzz.sh $<TARGET_FILE:fuzz_${name}>
            ${CMAKE_BINARY_DIR}/work/${name} ${arguments})
    set_tests_properties(fuzz_${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endforeach()
