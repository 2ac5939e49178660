# The version file, the server address, downloads and the update check through the main window.
quill_add_test(tst_versionFile update/tst_versionFile.cpp TIMEOUT 60)
quill_add_test(tst_download update/tst_download.cpp TIMEOUT 120)
quill_add_test(tst_updateCheck update/tst_updateCheck.cpp TIMEOUT 180)
