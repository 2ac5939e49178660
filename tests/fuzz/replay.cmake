# The fuzz targets in the ordinary build: each replays its seeds and every input that once failed.
set(QUILL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
foreach(target notes_loader version_file ispell_answer ispell_ini icmp_packet settings)
    quill_add_test(tst_fuzzReplay_${target} ${QUILL_FUZZ_DIR}/fuzz_${target}.cpp TIMEOUT 120)
    target_sources(tst_fuzzReplay_${target} PRIVATE ${QUILL_FUZZ_DIR}/replay_main.cpp)
    target_link_libraries(tst_fuzzReplay_${target} PRIVATE quill_update quill_spell)
    set_target_properties(tst_fuzzReplay_${target} PROPERTIES AUTOMOC OFF)
    target_compile_definitions(tst_fuzzReplay_${target} PRIVATE
        QUILL_FUZZ_CORPUS_DIR="${QUILL_FUZZ_DIR}/corpus/${target}"
        QUILL_FUZZ_REGRESSIONS_DIR="${QUILL_FUZZ_DIR}/regressions/${target}")
endforeach()
target_compile_definitions(tst_fuzzReplay_version_file PRIVATE QUILL_RUNNING_VERSION="${PROJECT_VERSION}")
