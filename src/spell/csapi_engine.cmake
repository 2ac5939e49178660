# The proofing-library engine, which loads our speller library (csapi/) at run time.
target_sources(quill_spell PRIVATE TCSAPISpeller.cpp TCSAPISpeller.h)
