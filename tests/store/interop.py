#!/usr/bin/env python3
"""Every notes file the store writes must be read by two XML readers written elsewhere.

Usage: interop.py DRIVER FOLDER...
Pushes each file of the folders through a real open and save (DRIVER, quill_roundtrip_driver).
What it writes must pass `xmllint --noout` (libxml2) and xml.dom.minidom (expat). Where those
readers accepted the input too, the notes must read back as they were read from it: titles,
bodies, dates and order, and the stored titles and bodies are unchanged.
"""
import json
import os
import subprocess
import sys
import tempfile
import xml.dom.minidom


def strict_error(path):
    """Why one of the strict readers refuses the file, or None."""
    lint = subprocess.run(['xmllint', '--noout', path], capture_output=True, text=True,
                          errors='replace', check=False)
    if lint.returncode != 0 or lint.stderr:
        return 'xmllint: ' + (lint.stderr.strip() or 'exit %d' % lint.returncode)
    try:
        xml.dom.minidom.parse(path)
    except Exception as error:  # any refusal counts, whatever expat calls it
        return 'minidom: %s' % error
    return None


def stored_texts(path):
    """Title and Text as stored, for each element under the root, in order."""
    def text_of(note, name):
        found = [child for child in note.childNodes
                 if child.nodeType == child.ELEMENT_NODE and child.tagName == name]
        if not found:
            return None
        return ''.join(node.data for node in found[0].childNodes
                       if node.nodeType in (node.TEXT_NODE, node.CDATA_SECTION_NODE))
    root = xml.dom.minidom.parse(path).documentElement
    return [(text_of(note, 'Title'), text_of(note, 'Text'))
            for note in root.childNodes if note.nodeType == note.ELEMENT_NODE]


def round_trip(driver, source, copy):
    """(exit code, notes as read) of one open, read and save."""
    run = subprocess.run([driver, source, copy], capture_output=True, timeout=60, check=False)
    notes = json.loads(run.stdout) if run.returncode == 0 else None
    return run.returncode, notes, run.stderr.decode(errors='replace').strip()


def check(driver, source, scratch):
    """The faults found for one input file, and whether its notes were compared."""
    written = os.path.join(scratch, 'quill.xml')
    code, notes, errors = round_trip(driver, source, written)
    if code == 3:
        return [], False  # not a notes file the store opens; the driver checked it stayed unchanged
    if code != 0:
        return ['open and save failed (exit %d): %s' % (code, errors)], False
    refused = strict_error(written)
    if refused:
        return ['the file written is refused by ' + refused], False
    if strict_error(source):
        return [], False
    faults = []
    again = os.path.join(scratch, 'again.xml')
    code, notes_again, errors = round_trip(driver, written, again)
    if code != 0:
        faults.append('the file written does not open again (exit %d): %s' % (code, errors))
    elif notes_again != notes:
        faults.append('the notes read differently after the save:\n  %s\n  %s' % (notes, notes_again))
    if stored_texts(written) != stored_texts(source):
        faults.append('the stored titles or bodies changed:\n  %s\n  %s'
                      % (stored_texts(source), stored_texts(written)))
    return faults, True


def main():
    driver, folders = sys.argv[1], sys.argv[2:]
    inputs = sorted(os.path.join(folder, name) for folder in folders
                    for name in os.listdir(folder) if not name.startswith('.'))
    if not inputs:
        sys.exit('no inputs')
    failed = 0
    for source in inputs:
        with tempfile.TemporaryDirectory() as scratch:
            faults, compared = check(driver, source, scratch)
        print('%s %s%s' % ('FAIL' if faults else 'ok  ', source, ', same notes' if compared else ''))
        for fault in faults:
            print('    ' + fault)
        failed += bool(faults)
    print('%d of %d inputs failed' % (failed, len(inputs)))
    sys.exit(1 if failed else 0)


if __name__ == '__main__':
    main()
