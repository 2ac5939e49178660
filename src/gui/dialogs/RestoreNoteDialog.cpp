#include "RestoreNoteDialog.h"

#include "store/DayNumber.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

RestoreNoteDialog::RestoreNoteDialog(const QList<KeptNote>& notes, const LocaleFormats& formats,
                                     QWidget* parent)
    : QDialog(parent), m_list(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("frmRestoreNote"));
    setWindowTitle(QStringLiteral("Restore a Note"));
    auto* hint = new QLabel(
        QStringLiteral("These notes are in earlier copies of your notes but no longer in the notes file. "
                       "Choose the ones to bring back."),
        this);
    hint->setWordWrap(true);

    m_list->setObjectName(QStringLiteral("lsvKeptNotes"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setHeaderLabels({QStringLiteral("Title"), QStringLiteral("Created"),
                             QStringLiteral("Last Modified"), QStringLiteral("Kept Copy")});
    for (const KeptNote& note : notes)
        m_list->addTopLevelItem(
            new QTreeWidgetItem({note.title.section(QLatin1Char('\n'), 0, 0), note.createdText,
                                 note.modifiedText, DayNumber::displayText(note.copySaved, formats)}));
    m_list->header()->resizeSections(QHeaderView::ResizeToContents);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_restoreButton = buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::AcceptRole);
    m_restoreButton->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_restoreButton->setEnabled(!m_list->selectedItems().isEmpty()); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(640, 360);
}

QList<int> RestoreNoteDialog::chosen() const {
    QList<int> rows;
    for (int row = 0; row < m_list->topLevelItemCount(); ++row)
        if (m_list->topLevelItem(row)->isSelected())
            rows << row;
    return rows;
}
