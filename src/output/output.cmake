# Export of notes to a text file and printing.
find_package(Qt6 6.4 REQUIRED COMPONENTS PrintSupport)

target_sources(quill_core PRIVATE
    output/NoteExport.cpp
    output/NoteExport.h
)
target_sources(quill_ui PRIVATE
    app/OutputCommands.cpp
    app/OutputCommands.h
    output/NotePrinter.cpp
    output/NotePrinter.h
    platform/PrintDialogs.cpp
    platform/PrintDialogs.h
)
target_link_libraries(quill_ui PUBLIC Qt6::PrintSupport)
