# The fuzz targets in the ordinary build: each replays its seeds and every input that once failed.
# The notes loader's seeds include the notes files the other tests use (tests/reliability/fuzz.sh
# feeds it the same folders).
set(QUILL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
get_filename_component(QUILL_FUZZ_FIXTURES_notes_loader ${QUILL_FUZZ_DIR}/../support/fixtures ABSOLUTE)
foreach(target notes_loader version_file ispell_answer ispell_ini icmp_packet settings)
    set(inputs ${QUILL_FUZZ_DIR}/corpus/${target} ${QUILL_FUZZ_FIXTURES_${target}})
    if(EXISTS ${QUILL_FUZZ_DIR}/regressions/${target})
        list(APPEND inputs ${QUILL_FUZZ_DIR}/regressions/${target})
    endif()
    list(JOIN inputs "|" inputs)
    quill_add_test(tst_fuzzReplay_${target} ${QUILL_FUZZ_DIR}/fuzz_${target}.cpp TIMEOUT 120)
    target_sources(tst_fuzzReplay_${target} PRIVATE ${QUILL_FUZZ_DIR}/replay_main.cpp)
    target_link_libraries(tst_fuzzReplay_${target} PRIVATE quill_update quill_spell)
    set_target_properties(tst_fuzzReplay_${target} PROPERTIES AUTOMOC OFF)
    target_compile_definitions(tst_fuzzReplay_${target} PRIVATE
        QUILL_FUZZ_INPUT_DIRS="${inputs}")
endforeach()
target_compile_definitions(tst_fuzzReplay_version_file PRIVATE QUILL_RUNNING_VERSION="${PROJECT_VERSION}")
