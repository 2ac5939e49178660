#pragma once

#include <QString>
#include <QtNumeric>

// One note as held by a row of the note list.
struct Note {
    QString CreatedText;  // display text of the creation date-time
    QString ModifiedText; // display text of the last-modified date-time; empty when it has none
    QString Title;
    QString Text;
    int Position = -1;    // index of the note's node among all child nodes of the root element
    QString DateTime;     // stored creation number text (the display text when the note has none)
    QString LastModified; // stored number text, or "0"

    // Day numbers behind the two display texts (NaN when there is none). Building 10k rows must not
    // decode 10k bodies and format 20k dates: only Position and DateTime are read at once, the rest
    // when the row is first shown, sorted or searched (detailsPending until then).
    double CreatedDay = qQNaN();
    double ModifiedDay = qQNaN();
    bool detailsPending = false; // Title, Text, LastModified not read yet
    bool displayPending = false; // CreatedText, ModifiedText not formatted yet
};
