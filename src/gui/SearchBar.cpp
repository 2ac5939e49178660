#include "SearchBar.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>

SearchBar::SearchBar(QAction& actFind, QObject* parent)
    : QObject(parent), m_edtFind(new QLineEdit), m_btnFind(new QToolButton),
      m_radAllNotes(new QRadioButton(QStringLiteral("&All Notes"))),
      m_radCurrentNote(new QRadioButton(QStringLiteral("&Current Note"))),
      m_panel(new QLabel(QStringLiteral("   Find:"))), m_hint(new QLabel) {
    m_edtFind->setObjectName(QStringLiteral("edtFind"));
    m_btnFind->setObjectName(QStringLiteral("btnFind"));
    m_btnFind->setDefaultAction(&actFind);
    m_btnFind->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_btnFind->setAutoRaise(true);
    m_btnFind->setEnabled(false); // until a text is typed
    m_radAllNotes->setObjectName(QStringLiteral("radAllNotes"));
    m_radAllNotes->setChecked(true);
    m_radCurrentNote->setObjectName(QStringLiteral("radCurrentNote"));
    m_panel->setObjectName(QStringLiteral("pnlFind"));
    m_panel->setTextFormat(Qt::PlainText); // keeps the leading blanks
    m_panel->setFixedWidth(PanelWidth);
    m_hint->setObjectName(QStringLiteral("lblHint"));
    m_hint->setTextFormat(Qt::PlainText);
    m_hint->setAutoFillBackground(true); // covers the controls it is shown over
    m_hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_hint->setContentsMargins(4, 0, 4, 0);
    m_hint->hide();
    // The button's hint is its tool-tip: a hint over the bar would hide the button being pointed at.
    m_btnFind->installEventFilter(this);
    m_edtFind->installEventFilter(this);
}

SearchBar::~SearchBar() {
    // Controls never placed have no owner but us.
    for (QWidget* w : controls() + QList<QWidget*>{m_panel, m_hint})
        if (w && !w->parent())
            delete w;
}

QLineEdit* SearchBar::edtFind() const {
    return m_edtFind;
}
QToolButton* SearchBar::btnFind() const {
    return m_btnFind;
}
QRadioButton* SearchBar::radAllNotes() const {
    return m_radAllNotes;
}
QRadioButton* SearchBar::radCurrentNote() const {
    return m_radCurrentNote;
}
QLabel* SearchBar::panel() const {
    return m_panel;
}
QLabel* SearchBar::hint() const {
    return m_hint;
}

QList<QWidget*> SearchBar::controls() const {
    return {m_edtFind, m_btnFind, m_radAllNotes, m_radCurrentNote};
}

void SearchBar::placeOn(QStatusBar* bar) {
    m_bar = bar;
    bar->addWidget(m_panel);
    // The controls float over the bar, outside its layout, so they keep their design places.
    for (QWidget* w : controls()) {
        w->setParent(bar);
        w->show();
        w->raise();
    }
    bar->setMinimumHeight(EditTop + ControlHeight + EditTop);
    m_hint->setParent(bar);
    connect(bar, &QStatusBar::messageChanged, this, &SearchBar::showHint);
    keepAligned();
}

void SearchBar::showHint(const QString& text) {
    m_hint->setText(text);
    m_hint->setGeometry(m_bar->rect());
    m_hint->setVisible(!text.isEmpty());
    m_hint->raise();
}

bool SearchBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_btnFind && event->type() == QEvent::StatusTip)
        return true;
    // The hint gives way as soon as the user works in the find box.
    if (watched == m_edtFind && m_bar &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::KeyPress))
        m_bar->clearMessage();
    return QObject::eventFilter(watched, event);
}

void SearchBar::keepAligned() {
    if (!m_bar)
        return;
    m_edtFind->setGeometry(EditLeft, EditTop, EditWidth, ControlHeight);
    m_btnFind->setGeometry(ButtonLeft, EditTop, ButtonWidth, ControlHeight);
    m_radAllNotes->setGeometry(AllNotesLeft, EditTop, AllNotesWidth, ControlHeight);
    m_radCurrentNote->setGeometry(CurrentNoteLeft, EditTop, CurrentNoteWidth, ControlHeight);
}
