# The manual's pictures, beside the manual in bin/images (the manual links images/<name>.png).
# scripts/screenshots.sh makes them from the running program.
set(QUILL_HELP_IMAGES
    main-window.png
    add-note.png
    options.png
    spelling.png
)
foreach(image IN LISTS QUILL_HELP_IMAGES)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/help/images/${image})
        configure_file(help/images/${image} ${CMAKE_BINARY_DIR}/bin/images/${image} COPYONLY)
    else()
        message(WARNING "help/images/${image} is missing: run scripts/screenshots.sh")
    endif()
endforeach()
