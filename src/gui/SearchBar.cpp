#include "SearchBar.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>

SearchBar::SearchBar(QAction& findAction, QObject* parent)
    : QObject(parent), m_findEdit(new QLineEdit), m_findButton(new QToolButton),
      m_allNotesButton(new QRadioButton(QStringLiteral("&All Notes"))),
      m_currentNoteButton(new QRadioButton(QStringLiteral("&Current Note"))),
      m_panel(new QLabel(QStringLiteral("   Find:"))), m_hint(new QLabel) {
    m_findEdit->setObjectName(QStringLiteral("edtFind"));
    m_findButton->setObjectName(QStringLiteral("btnFind"));
    m_findButton->setDefaultAction(&findAction);
    m_findButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_findButton->setAutoRaise(true);
    m_findButton->setEnabled(false); // until a text is typed
    m_allNotesButton->setObjectName(QStringLiteral("radAllNotes"));
    m_allNotesButton->setChecked(true);
    m_currentNoteButton->setObjectName(QStringLiteral("radCurrentNote"));
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
    m_findButton->installEventFilter(this);
    m_findEdit->installEventFilter(this);
}

SearchBar::~SearchBar() {
    // Controls never placed have no owner but us.
    for (QWidget* w : controls() + QList<QWidget*>{m_panel, m_hint})
        if (w && !w->parent())
            delete w;
}

QLineEdit* SearchBar::findEdit() const {
    return m_findEdit;
}
QToolButton* SearchBar::findButton() const {
    return m_findButton;
}
QRadioButton* SearchBar::allNotesButton() const {
    return m_allNotesButton;
}
QRadioButton* SearchBar::currentNoteButton() const {
    return m_currentNoteButton;
}
QLabel* SearchBar::panel() const {
    return m_panel;
}
QLabel* SearchBar::hint() const {
    return m_hint;
}

QList<QWidget*> SearchBar::controls() const {
    return {m_findEdit, m_findButton, m_allNotesButton, m_currentNoteButton};
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
    if (watched == m_findButton && event->type() == QEvent::StatusTip)
        return true;
    // The hint gives way as soon as the user works in the find box.
    if (watched == m_findEdit && m_bar &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::KeyPress))
        m_bar->clearMessage();
    return QObject::eventFilter(watched, event);
}

void SearchBar::keepAligned() {
    if (!m_bar)
        return;
    m_findEdit->setGeometry(EditLeft, EditTop, EditWidth, ControlHeight);
    m_findButton->setGeometry(ButtonLeft, EditTop, ButtonWidth, ControlHeight);
    m_allNotesButton->setGeometry(AllNotesLeft, EditTop, AllNotesWidth, ControlHeight);
    m_currentNoteButton->setGeometry(CurrentNoteLeft, EditTop, CurrentNoteWidth, ControlHeight);
}
