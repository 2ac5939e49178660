# Where an installed or a portable copy keeps its data, and the installed layout and package.
quill_add_test(tst_appPaths platform/tst_appPaths.cpp)

# Installs the whole build into a temporary prefix, starts the installed program, builds the package.
add_test(NAME tst_packaging
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/check_install.sh ${CMAKE_BINARY_DIR})
set_tests_properties(tst_packaging PROPERTIES TIMEOUT 600 RUN_SERIAL ON
    ENVIRONMENT "LC_ALL=en_US.UTF-8;LANG=en_US.UTF-8;TZ=Europe/Berlin")
