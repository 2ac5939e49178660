# The speller library through its C interface, as shipped and under AddressSanitizer / UBSan.
quill_add_test(tst_csapiLibrary spell/tst_csapiLibrary.cpp)
target_link_libraries(tst_csapiLibrary PRIVATE quillcsapi)

quill_add_test(tst_csapiLibraryAsan spell/tst_csapiLibrary.cpp TIMEOUT 300)
target_link_libraries(tst_csapiLibraryAsan PRIVATE quillcsapi_asan)
set_tests_properties(tst_csapiLibraryAsan PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;LC_ALL=en_US.UTF-8;LANG=en_US.UTF-8;TZ=Europe/Berlin;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")

# The engine with a recording stand-in library (complete and without one entry point) and with ours.
add_library(quill_csapi_shim SHARED spell/csapi_shim.cpp)
add_library(quill_csapi_shim_incomplete SHARED spell/csapi_shim.cpp)
target_compile_definitions(quill_csapi_shim_incomplete PRIVATE QUILL_SHIM_INCOMPLETE)
foreach(shim quill_csapi_shim quill_csapi_shim_incomplete)
    target_include_directories(${shim} PRIVATE ${PROJECT_SOURCE_DIR}/src/spell/csapi)
    set_target_properties(${shim} PROPERTIES AUTOMOC OFF LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endforeach()

quill_add_test(tst_csapiSpeller spell/tst_csapiSpeller.cpp)
target_compile_definitions(tst_csapiSpeller PRIVATE
    QUILL_CSAPI_LIBRARY="$<TARGET_FILE:quillcsapi>"
    QUILL_CSAPI_SHIM="$<TARGET_FILE:quill_csapi_shim>"
    QUILL_CSAPI_SHIM_INCOMPLETE="$<TARGET_FILE:quill_csapi_shim_incomplete>")
add_dependencies(tst_csapiSpeller quillcsapi quill_csapi_shim quill_csapi_shim_incomplete)
