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
    // format 20k dates: the list fills CreatedText and ModifiedText when a row is first painted.
    double CreatedDay = qQNaN();
    double ModifiedDay = qQNaN();
    bool displayPending = false;
};
