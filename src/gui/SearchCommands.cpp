#include "SearchCommands.h"

#include "store/TextTrim.h"

#include "controls/LinkTextEdit.h"
#include "gui/NoteList.h"
#include "gui/SearchBar.h"
#include "platform/LogNames.h"
#include "platform/Prompts.h"
#include "platform/QuillError.h"
#include "store/AppSettings.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>
#include <algorithm>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const QString NoMatches = QStringLiteral("No matches were found.");
const QString FromTheTop = QStringLiteral("  Search from the top?");

constexpr char16_t upperAsciiChar(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}
constexpr char16_t lowerAsciiChar(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

} // namespace

SearchCommands::SearchCommands(Parts parts, SearchBar& bar, QObject* parent)
    : QObject(parent), m(std::move(parts)), m_bar(bar) {
    connect(bar.findEdit(), &QLineEdit::textChanged, this, &SearchCommands::enableFindButton);
    // The button follows its action whenever the action changes; the box's rule must win again.
    connect(&m.findAction, &QAction::changed, this, &SearchCommands::enableFindButton);
    connect(bar.allNotesButton(), &QRadioButton::clicked, this, &SearchCommands::chooseAllNotes);
    connect(bar.currentNoteButton(), &QRadioButton::clicked, this, &SearchCommands::chooseCurrentNote);
    for (QWidget* w : {static_cast<QWidget*>(bar.findEdit()), static_cast<QWidget*>(bar.allNotesButton()),
                       static_cast<QWidget*>(bar.currentNoteButton())})
        w->installEventFilter(this);
    enableFindButton();
}

QString SearchCommands::upperAscii(const QString& text) {
    QString upper = text;
    for (QChar& c : upper)
        c = QChar(upperAsciiChar(c.unicode()));
    return upper;
}

// Walks the text once without copying it: 10k notes must be searched in a few milliseconds. A place
// is a candidate when its first and last characters fit (eight places at a time where SSE2 exists);
// only candidates have their middle compared.
bool SearchCommands::containsUpperAscii(QStringView text, QStringView upperText) {
    const qsizetype n = text.size();
    const qsizetype k = upperText.size();
    if (k == 0 || k > n)
        return false; // an empty search text matches nothing
    const char16_t* t = text.utf16();
    const char16_t* p = upperText.utf16();
    const char16_t first = p[0], firstLower = lowerAsciiChar(first);
    const char16_t last = p[k - 1], lastLower = lowerAsciiChar(last);
    auto middleFits = [&](const char16_t* s) {
        for (qsizetype j = 1; j < k - 1; ++j)
            if (upperAsciiChar(s[j]) != p[j])
                return false;
        return true;
    };
    const qsizetype lastStart = n - k;
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i f1 = _mm_set1_epi16(short(first)), f2 = _mm_set1_epi16(short(firstLower));
    const __m128i l1 = _mm_set1_epi16(short(last)), l2 = _mm_set1_epi16(short(lastLower));
    for (; i + 8 <= lastStart + 1; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i + k - 1));
        const __m128i fits = _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi16(a, f1), _mm_cmpeq_epi16(a, f2)),
                                           _mm_or_si128(_mm_cmpeq_epi16(b, l1), _mm_cmpeq_epi16(b, l2)));
        for (unsigned mask = unsigned(_mm_movemask_epi8(fits)); mask != 0;) {
            const int bit = std::countr_zero(mask); // two mask bits per character
            if (middleFits(t + i + bit / 2))
                return true;
            mask &= ~(3u << bit);
        }
    }
#endif
    for (; i <= lastStart; ++i) {
        const char16_t* s = t + i;
        if ((s[0] == first || s[0] == firstLower) && (s[k - 1] == last || s[k - 1] == lastLower) &&
            middleFits(s))
            return true;
    }
    return false;
}

SearchCommands::RowMatch SearchCommands::findInRows(const NoteListModel& model, int start,
                                                    QStringView upperText) {
    const int rows = model.rowCount();
    for (int row = std::max(start, 0); row < rows; ++row) {
        const Note& note = model.noteTexts(row);
        if (containsUpperAscii(note.text, upperText))
            return {row, Field::Body};
        if (containsUpperAscii(note.title, upperText))
            return {row, Field::Title};
    }
    return {};
}

int SearchCommands::findInEditor(const LinkTextEdit& field, const QString& text) {
    const QTextCursor selection = field.textCursor();
    // Only a selection moves the start; the caret alone does not.
    const int from = selection.hasSelection() ? selection.selectionEnd() : 0;
    const QTextCursor found = field.document()->find(text, from); // no flags: any case, forward
    return found.isNull() ? -1 : found.selectionStart();
}

void SearchCommands::findText() {
    const QString text = upperAscii(m_bar.findEdit()->text());
    if (m.settings.searchAllNotes)
        searchAllNotes(text);
    else
        searchCurrentNote(text);
}

void SearchCommands::searchAllNotes(const QString& text) {
    bool fromTheTop = false; // once the user said Yes, a second failure only tells
    for (;;) {
        const int selected = fromTheTop ? -1 : m.list.selectedRow();
        const int rows = m.list.model()->rowCount();
        const int start = selected < 0 || selected >= rows - 1 ? 0 : selected + 1;
        const RowMatch match = findInRows(*m.list.model(), start, text);
        if (match.row >= 0) {
            m.list.selectRow(match.row);
            if (!m.settings.loadNotesOnSearch)
                return;
            if (m.openSelectedNote)
                m.openSelectedNote();
            // After a cancelled save question the editors hold another note: then nothing is found.
            LinkTextEdit& field = match.field == Field::Body ? m.body : m.title;
            const int position = findInEditor(field, text);
            if (position < 0)
                return;
            if (match.field == Field::Body)
                showMatchInBody(position, int(text.size()));
            else
                showMatchInTitle(position, int(text.size()));
            return;
        }
        if (selected < 0) {
            m.prompts.messageDlg(NoMatches, MsgKind::Information, MsgButton::OK);
            return;
        }
        if (m.prompts.messageDlg(NoMatches + FromTheTop, MsgKind::Confirmation,
                                 MsgButton::Yes | MsgButton::No) != MsgButton::Yes)
            return;
        m.list.view()->selectionModel()->clearSelection();
        fromTheTop = true;
    }
}

void SearchCommands::searchCurrentNote(const QString& text) {
    // The title keeps its selection, so once it is used up each repeat goes on in the body.
    int position = findInEditor(m.title, text);
    if (position >= 0) {
        showMatchInTitle(position, int(text.size()));
        return;
    }
    position = findInEditor(m.body, text);
    if (position >= 0) {
        showMatchInBody(position, int(text.size()));
        return;
    }
    m.prompts.messageDlg(NoMatches, MsgKind::Information, MsgButton::OK);
}

namespace {

void selectIn(LinkTextEdit& field, int position, int length) {
    QTextCursor cursor(field.document());
    cursor.setPosition(position);
    cursor.setPosition(position + length, QTextCursor::KeepAnchor);
    field.setTextCursor(cursor);
}

// The visual line of a position, counted as the vertical scroll bar counts: lines of the blocks
// above plus the line inside the (wrapped) block.
int scrollLineOf(const LinkTextEdit& field, int position) {
    // The match was selected before, which laid its block out at the field's width.
    const QTextBlock block = field.document()->findBlock(position);
    int line = block.firstLineNumber();
    if (const QTextLayout* layout = block.layout(); layout && layout->lineCount() > 0) {
        const QTextLine inBlock = layout->lineForTextPosition(position - block.position());
        if (inBlock.isValid())
            line += inBlock.lineNumber();
    }
    return line;
}

} // namespace

void SearchCommands::showMatchInBody(int position, int length) {
    m.body.setFocus();
    selectIn(m.body, position, length);
    // The match's line becomes the top line, also when it was visible already.
    m.body.verticalScrollBar()->setValue(scrollLineOf(m.body, position));
    selectIn(m.body, position, length);
}

void SearchCommands::showMatchInTitle(int position, int length) {
    m.title.setFocus();
    selectIn(m.title, position, length);
}

void SearchCommands::startFind() {
    m_bar.findEdit()->setFocus(Qt::ShortcutFocusReason); // selects the text, so typing replaces it
}

void SearchCommands::showScope() {
    (m.settings.searchAllNotes ? m_bar.allNotesButton() : m_bar.currentNoteButton())->setChecked(true);
}

bool SearchCommands::findButtonWanted() const {
    const QString text = m_bar.findEdit()->text();
    return std::any_of(text.begin(), text.end(), [](QChar c) { return !isBlankOrControl(c); });
}

void SearchCommands::enableFindButton() {
    // Only the button: F3 and Enter keep working with a blank box.
    m_bar.findButton()->setEnabled(m.findAction.isEnabled() && findButtonWanted());
}

void SearchCommands::chooseAllNotes() {
    m.settings.searchAllNotes = m_bar.allNotesButton()->isChecked();
}

void SearchCommands::chooseCurrentNote() {
    m.settings.searchAllNotes = !m_bar.currentNoteButton()->isChecked();
}

bool SearchCommands::handleFindKey(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    event->accept(); // nothing is inserted and nothing else sees the key
    try {
        findText();
    } catch (const std::exception& e) {
        if (m.reportFailure)
            m.reportFailure(LogRoutine::FindKey, messageOf(e));
    } catch (...) {
        if (m.reportFailure)
            m.reportFailure(LogRoutine::FindKey, QStringLiteral("Unknown failure"));
    }
    return true;
}

bool SearchCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_bar.findEdit() && event->type() == QEvent::KeyPress)
        return handleFindKey(static_cast<QKeyEvent*>(event));
    if ((watched == m_bar.allNotesButton() || watched == m_bar.currentNoteButton()) &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        auto* radio = static_cast<QWidget*>(watched);
        QFont font = radio->font();
        font.setBold(event->type() == QEvent::FocusIn); // the focused scope button is shown bold
        radio->setFont(font);
    }
    return QObject::eventFilter(watched, event);
}
