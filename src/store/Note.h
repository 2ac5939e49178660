#pragma once

#include <QString>
#include <QtNumeric>

// One note as held by a row of the note list.
struct Note {
    QString createdText;  // display text of the creation date-time
    QString modifiedText; // display text of the last-modified date-time; empty when it has none
    QString title;
    QString text;
    int position = -1;    // index of the note's node among all child nodes of the root element
    QString dateTime;     // stored creation number text (the display text when the note has none)
    QString lastModified; // stored number text, or "0"

    // Day numbers behind the two display texts (NaN when there is none). Building 10k rows must not
    // decode 10k bodies and format 20k dates: only position and dateTime are read at once, the rest
    // when the row is first shown, sorted or searched (detailsPending until then).
    double createdDay = qQNaN();
    double modifiedDay = qQNaN();
    bool detailsPending = false; // title, text, lastModified not read yet
    bool textPending = false;    // title and lastModified read for a sort, text not yet
    bool displayPending = false; // createdText, modifiedText not formatted yet
};
