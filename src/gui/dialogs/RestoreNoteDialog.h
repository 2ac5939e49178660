#pragma once

#include "store/KeptNotes.h"

#include <QDialog>
#include <QList>

class QPushButton;
class QTreeWidget;

// Tools, "Restore a Note...": the notes that only kept copies still hold, the most recently changed
// first; the user picks the ones to bring back.
class RestoreNoteDialog final : public QDialog {
    Q_OBJECT
public:
    RestoreNoteDialog(const QList<KeptNote>& notes, const LocaleFormats& formats, QWidget* parent = nullptr);

    // The chosen notes, as indexes into the list given, in its order.
    QList<int> chosen() const;

    QTreeWidget* list() const { return m_list; }
    QPushButton* restoreButton() const { return m_restoreButton; }

private:
    QTreeWidget* m_list;
    QPushButton* m_restoreButton;
};
