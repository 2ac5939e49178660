# Reliability suites: each script prints its figures and fails on any fault. Quick by default; the
# long forms run by hand (QUILL_RELIABILITY_LONG=1 or scripts/reliability.sh --long). Exit code 77
# means the machine lacks what a suite needs (a tool, root, a loop device).
set(QUILL_RELIABILITY_DIR ${CMAKE_CURRENT_SOURCE_DIR}/reliability)

function(quill_add_reliability_test name script timeout)
    add_test(NAME ${name} COMMAND bash ${QUILL_RELIABILITY_DIR}/${script} ${ARGN})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} SKIP_RETURN_CODE 77
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=en_US.UTF-8;LANG=en_US.UTF-8;TZ=Europe/Berlin")
endfunction()

quill_add_reliability_test(tst_injectSaveFailures inject_save_failures.sh 300 $<TARGET_FILE:quill_save_loop>)
quill_add_reliability_test(tst_diskFull disk_full.sh 300 $<TARGET_FILE:quill_save_loop>)
quill_add_reliability_test(tst_permissions permissions.sh 120 $<TARGET_FILE:quill_save_loop>)

# Misbehaving spelling programs and version servers, timed: a QtTest that prints the figures, run
# through the script that collects them for the table.
add_executable(tst_hostileNeighbours reliability/tst_hostileNeighbours.cpp)
target_link_libraries(tst_hostileNeighbours PRIVATE quill_test_support PkgConfig::PUGIXML)
quill_add_reliability_test(tst_hostileNeighboursFigures hostile_neighbours.sh 180 $<TARGET_FILE:tst_hostileNeighbours>)
quill_add_reliability_test(tst_startupRaces startup_races.sh 240 $<TARGET_FILE:quillnote>)
