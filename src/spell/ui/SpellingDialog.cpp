#include "SpellingDialog.h"

#include "controls/ReadableColor.h"
#include "spell/engine/SpellTexts.h"
#include "spell/ui/SpellFontQt.h"
#include "spell/ui/SpellPreview.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>

namespace {

QFont arial(int pixels) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    return font;
}

// The English text while no checker has filled the table yet.
QString text(SpellText entry) {
    return spellText(entry, true);
}

// Suggestion rows of a fixed height, drawn with the list's font.
class VariantDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), SpellingDialog::ItemHeight};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                                   : QPalette::Inactive;
        painter->save();
        if (selected)
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        painter->setFont(option.font);
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect textRect = option.rect.adjusted(2, 0, -2, 0);
        const QString label =
            QFontMetrics(option.font)
                .elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, textRect.width());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, label);
        painter->restore();
    }
};

bool isOneOf(SpellResult code, std::initializer_list<SpellResult> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

} // namespace

SpellingDialog::SpellingDialog(SpellChecker& checker, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_checker(checker) {
    buildForm();
}

SpellingDialog::~SpellingDialog() {
    m_checker.dialogDestroyed();
}

SpellChecker::DialogFactory SpellingDialog::factory(QWidget* owner) {
    return [owner](SpellChecker& checker) -> ISpellDialog* { return new SpellingDialog(checker, owner); };
}

QPushButton* SpellingDialog::makeButton(const char* name, const QString& caption, QRect place,
                                        const QFont& font) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    button->setFont(font);
    return button;
}

void SpellingDialog::buildForm() {
    setObjectName(QStringLiteral("SpellerDialog2"));
    setWindowTitle(QStringLiteral("Spelling"));
    setFixedSize(ClientSize);
    setFont(arial(10));

    const QFont checkerFont = toQFont(m_checker.font());

    m_message = new QLabel(QStringLiteral("Unknown word"), this);
    m_message->setObjectName(QStringLiteral("InfoMsg"));
    m_message->setGeometry(4, 4, 302, 13);
    m_message->setFont(arial(12));

    m_preview = new SpellPreview(this);
    m_preview->setObjectName(QStringLiteral("Misspelling"));
    m_preview->setGeometry(4, 20, 302, 73);
    m_preview->setFont(checkerFont);

    m_suggestionsLabel = new QLabel(QStringLiteral("&Variants"), this);
    m_suggestionsLabel->setObjectName(QStringLiteral("Label2"));
    m_suggestionsLabel->setGeometry(4, 106, 302, 13);
    m_suggestionsLabel->setFont(arial(12));

    m_suggestions = new QListWidget(this);
    m_suggestions->setObjectName(QStringLiteral("Variants"));
    m_suggestions->setGeometry(4, 122, 196, 102);
    m_suggestions->setFont(checkerFont);
    m_suggestions->setUniformItemSizes(true);
    m_suggestions->setSelectionMode(QAbstractItemView::SingleSelection);
    m_suggestions->setItemDelegate(new VariantDelegate(m_suggestions));
    m_suggestionsLabel->setBuddy(m_suggestions);

    const QFont buttonFont = arial(11);
    const QRect changePlace(207, 122, 99, 20);
    m_changeButton = makeButton("ChangeButton", QStringLiteral("&Change"), changePlace, font());
    m_changeAllButton =
        makeButton("ChangeAllButton", QStringLiteral("Change A&ll"), {207, 146, 99, 21}, buttonFont);
    m_skipButton = makeButton("SkipButton", QStringLiteral("&Skip"), {207, 179, 99, 20}, buttonFont);
    m_skipAllButton =
        makeButton("SkipAllButton", QStringLiteral("S&kip All"), {207, 203, 99, 20}, buttonFont);
    m_addButton = makeButton("AddButton", QStringLiteral("&Add"), {207, 236, 99, 20}, buttonFont);
    m_cancelButton = makeButton("CancelButton", QStringLiteral("Ca&ncel"), {4, 236, 70, 20}, buttonFont);
    m_undoEditButton = makeButton("CancelEdit", QStringLiteral("&Undo Edit"), {81, 236, 119, 20}, buttonFont);
    m_deleteButton = makeButton("DelButton", QStringLiteral("Delete"), changePlace, font());
    m_startButton = makeButton("StartButton", QStringLiteral("Start"), changePlace, buttonFont);
    m_undoEditButton->hide();
    m_startButton->hide();
    // Change, Delete and Start share one place: only one of them shows at a time.
    m_deleteButton->hide();
    m_changeButton->setDefault(true);

    QWidget* order[] = {m_preview,        m_suggestions,   m_changeButton, m_changeAllButton,
                        m_skipButton,     m_skipAllButton, m_addButton,    m_cancelButton,
                        m_undoEditButton, m_deleteButton,  m_startButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_preview, &SpellPreview::edited, this, &SpellingDialog::previewEdited);
    connect(m_suggestions, &QListWidget::itemDoubleClicked, this, &SpellingDialog::change);
    connect(m_changeButton, &QPushButton::clicked, this, &SpellingDialog::change);
    connect(m_changeAllButton, &QPushButton::clicked, this, &SpellingDialog::changeAll);
    connect(m_skipButton, &QPushButton::clicked, this, &SpellingDialog::skip);
    connect(m_skipAllButton, &QPushButton::clicked, this, &SpellingDialog::skipAll);
    connect(m_addButton, &QPushButton::clicked, this, &SpellingDialog::addWord);
    connect(m_deleteButton, &QPushButton::clicked, this, &SpellingDialog::deleteWord);
    connect(m_cancelButton, &QPushButton::clicked, this, &SpellingDialog::cancelCheck);
    connect(m_undoEditButton, &QPushButton::clicked, this, &SpellingDialog::undoEdit);
    connect(m_startButton, &QPushButton::clicked, this, &SpellingDialog::startAgain);
}

// ---- Showing -------------------------------------------------------------------------------------

void SpellingDialog::showDialog() {
    if (isVisible())
        return;
    centreOnScreen();
    if (!m_checker.isModalDialog()) {
        show();
        raise();
        activateWindow();
        return;
    }
    ++m_modalDepth;
    exec(); // ends when the checker hides the dialog (finishCheck)
    --m_modalDepth;
    if (m_modalDepth == 0 && m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
}

void SpellingDialog::hideDialog() {
    hide(); // also leaves a modal show's loop
}

void SpellingDialog::closeDialog() {
    m_closing = true;
    close();
    m_closing = false;
}

void SpellingDialog::reject() {
    if (m_closing || !isVisible()) {
        QDialog::reject();
        return;
    }
    cancelCheck();
}

void SpellingDialog::centreOnScreen() {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void SpellingDialog::showEvent(QShowEvent* event) {
    setCaptions();
    QDialog::showEvent(event);
}

void SpellingDialog::setCaptions() {
    m_suggestionsLabel->setText(text(SpellText::VariantsLabel));
    m_changeButton->setText(text(SpellText::ChangeButton));
    m_changeAllButton->setText(text(SpellText::ChangeAllButton));
    m_skipButton->setText(text(SpellText::SkipButton));
    m_skipAllButton->setText(text(SpellText::SkipAllButton));
    m_deleteButton->setText(text(SpellText::DeleteButton));
    m_cancelButton->setText(text(SpellText::CancelButton));
    m_undoEditButton->setText(text(SpellText::UndoEditButton));
    m_startButton->setText(text(SpellText::StartButton));
    m_addButton->setText(text(SpellText::AddButton));
}

// ---- Presentations --------------------------------------------------------------------------------

void SpellingDialog::showContext() {
    m_preview->setEnabled(true);
    int lineStart = 0;
    QString line;
    m_checker.lineAt(m_checker.errorPosition(), lineStart, line);

    // Text is Unicode all the way, so the preview needs no character set or code-page conversion.
    QTextCharFormat normal;
    normal.setForeground(m_preview->palette().color(QPalette::Text));
    normal.setFont(m_preview->font());
    QTextCharFormat flagged;
    // The user's colour, lightened on a dark background (or darkened on a light one) when it would be
    // hard to read there.
    flagged.setForeground(ReadableColor::readableOn(misspellColor(m_checker.misspellingStyle()),
                                                    m_preview->palette().color(QPalette::Base)));
    flagged.setFont(misspellQFont(m_checker.misspellingStyle(), m_preview->font()));
    m_preview->setContext(line, m_checker.errorPosition() - lineStart, m_checker.errorLength(), normal,
                          flagged);
    m_flagged = m_preview->editedText();
}

void SpellingDialog::presentCommon(const QString& message) {
    showContext();
    m_message->setText(message);
    m_message->setEnabled(true);
    m_startButton->hide();
    m_undoEditButton->hide();
}

bool SpellingDialog::learnable() const {
    return m_checker.lastStatus() == SpellResult::UnknownInputWord &&
           m_checker.errorWord().size() <= MaxLearnableLength;
}

void SpellingDialog::presentSuggestions(const QString& message) {
    presentCommon(message);
    m_deleteButton->hide();
    m_changeButton->show();
    m_skipButton->setEnabled(true);
    m_skipAllButton->setEnabled(learnable());
    m_addButton->setEnabled(learnable());
    fillVariants();
    m_suggestions->setCurrentRow(m_suggestions->count() > 0 ? 0 : -1);
    setDecisionButtons(true);
    if (!isVisible())
        showDialog();
}

void SpellingDialog::presentSkipOrEdit(const QString& message) {
    presentCommon(message);
    m_deleteButton->hide();
    m_changeButton->show();
    m_skipButton->setEnabled(true);
    m_suggestions->clear();
    setDecisionButtons(false);
    if (!isVisible())
        showDialog();
}

void SpellingDialog::presentRepeatedWord() {
    presentCommon(text(SpellText::RepeatedWord));
    m_changeButton->hide();
    m_deleteButton->show();
    m_deleteButton->setEnabled(true);
    m_changeAllButton->setEnabled(false);
    m_skipButton->show();
    m_skipAllButton->setEnabled(false);
    m_addButton->setEnabled(false);
    m_suggestions->clear();
    m_suggestions->setEnabled(false);
    m_suggestionsLabel->setEnabled(false);
    if (!isVisible())
        showDialog();
}

void SpellingDialog::fillVariants() {
    QStringList list;
    const QString& word = m_checker.errorWord();
    SpellEngine* speller = m_checker.currentEngine();
    switch (m_checker.lastStatus()) {
    case SpellResult::UnknownInputWord:
    case SpellResult::ReturningChangeOnce:
    case SpellResult::InvalidHyphenation:
        m_checker.fillSuggestions(word, list, speller ? speller->language() : m_checker.language());
        if (m_checker.lastStatus() == SpellResult::ReturningChangeOnce && speller) {
            const QString changeTo = speller->changeTo();
            if (!changeTo.isEmpty() && !list.contains(changeTo))
                list.prepend(changeTo);
        }
        break;
    case SpellResult::ErrorCapitalization:
    case SpellResult::NoSentenceStartCap:
        list << m_checker.capitalizeFirst(word);
        break;
    case SpellResult::ExtraSpaces:
        list << collapseSpaces(word);
        break;
    default:
        break;
    }
    m_suggestions->clear();
    m_suggestions->addItems(list);
}

void SpellingDialog::setDecisionButtons(bool withList) {
    const bool any = withList && m_suggestions->count() > 0;
    const SpellResult result = m_checker.lastStatus();
    m_changeButton->setEnabled(any);
    m_suggestions->setEnabled(any);
    m_suggestionsLabel->setEnabled(any);
    m_changeAllButton->setEnabled(
        any && isOneOf(result, {SpellResult::UnknownInputWord, SpellResult::ReturningChangeOnce}));
    if (!withList) {
        m_skipAllButton->setEnabled(false);
        m_addButton->setEnabled(false);
    }
}

QString SpellingDialog::collapseSpaces(const QString& errorWord) {
    QString rest = errorWord.left(errorWord.size() - 1);
    if (rest.isEmpty())
        return rest;
    qsizetype runStart = rest.size() - 1;
    while (runStart > 0 && rest.at(runStart - 1) == QLatin1Char(' '))
        --runStart;
    rest.remove(runStart, rest.size() - 1 - runStart);
    return rest;
}

// ---- The user's edit in the preview -----------------------------------------------------------------

void SpellingDialog::previewEdited() {
    if (m_preview->updating)
        return;
    m_undoEditButton->show();
    m_changeButton->show();
    m_changeButton->setEnabled(true);
    m_changeAllButton->setEnabled(false);
    m_skipAllButton->setEnabled(false);
    m_addButton->setEnabled(false);
    m_deleteButton->hide();
    m_suggestions->setEnabled(false);
}

void SpellingDialog::undoEdit() {
    // The flagged text as it stood, rather than the engine's error word: for extra spaces that
    // reaches one character further than what the preview flags.
    m_preview->replaceEdited(m_flagged);
    const SpellResult result = m_checker.lastStatus();
    if (result == SpellResult::RepeatWord) {
        m_deleteButton->show();
        m_deleteButton->setEnabled(true);
        m_changeButton->hide();
        m_changeAllButton->setEnabled(false);
        m_skipButton->show();
        m_skipAllButton->setEnabled(false);
        m_addButton->setEnabled(false);
    } else {
        const bool withList =
            isOneOf(result, {SpellResult::UnknownInputWord, SpellResult::ReturningChangeOnce,
                             SpellResult::InvalidHyphenation, SpellResult::ErrorCapitalization,
                             SpellResult::NoSentenceStartCap, SpellResult::ExtraSpaces});
        // An unknown word the user has put back may be skipped for good or added, however long.
        const bool unknown = result == SpellResult::UnknownInputWord;
        m_deleteButton->hide();
        m_changeButton->show();
        m_skipButton->setEnabled(true);
        m_skipAllButton->setEnabled(unknown);
        m_addButton->setEnabled(unknown);
        setDecisionButtons(withList);
    }
    m_undoEditButton->hide();
}

// ---- Decisions ---------------------------------------------------------------------------------------

template <typename Decision> void SpellingDialog::decide(Decision decision) {
    try {
        decision();
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        // The check cannot go on from a state nobody knows: end it, so that the control is free again.
        try {
            m_checker.finishCheck();
        } catch (...) {
        }
        if (isVisible())
            hide();
        if (m_modalDepth > 0) {
            if (!m_failure)
                m_failure = failure; // passed on to the caller of the check when the modal show ends
            return;
        }
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& error) {
            if (onError)
                onError(error);
            else
                qWarning("Spell check ended by an error: %s", error.what());
        } catch (...) {
            qWarning("Spell check ended by an unknown error");
        }
    }
}

QString SpellingDialog::selectedVariant() const {
    const QList<QListWidgetItem*> selected = m_suggestions->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void SpellingDialog::change() {
    if (m_changeButton->isHidden() || !m_changeButton->isEnabled())
        return;
    if (m_undoEditButton->isHidden() && m_suggestions->selectedItems().isEmpty())
        return; // nothing to change to
    decide([this] {
        if (!m_undoEditButton->isHidden()) {
            m_checker.changeWordOnce(m_preview->editedText());
        } else if (m_checker.lastStatus() == SpellResult::UnknownInputWord) {
            m_checker.changeWord(selectedVariant());
        } else {
            m_checker.changeWordOnce(selectedVariant());
        }
        m_checker.continueCheck();
    });
}

void SpellingDialog::changeAll() {
    if (m_suggestions->selectedItems().isEmpty())
        return;
    decide([this] {
        m_checker.changeWordAll(selectedVariant());
        m_checker.continueCheck();
    });
}

void SpellingDialog::deleteWord() {
    decide([this] {
        m_checker.deleteRepeatedWord();
        m_checker.continueCheck();
    });
}

void SpellingDialog::skip() {
    decide([this] { m_checker.continueCheck(); });
}

void SpellingDialog::skipAll() {
    decide([this] {
        m_checker.ignoreErrorWord();
        m_checker.continueCheck();
    });
}

void SpellingDialog::addWord() {
    decide([this] {
        m_checker.addErrorWord();
        m_checker.continueCheck();
    });
}

void SpellingDialog::cancelCheck() {
    decide([this] {
        m_checker.cancel(this);
        m_checker.finishCheck();
    });
    if (isVisible())
        hide(); // Cancel always closes, also when no check was running any more
}

// ---- Modeless use -------------------------------------------------------------------------------------

void SpellingDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        enableFinding();
        return;
    }
    // Only a modeless dialog left for another window of the program (the text) greys out.
    const QWidget* active = QApplication::activeWindow();
    if (!m_checker.isModalDialog() && isVisible() && active && active != this)
        pauseCheck();
}

void SpellingDialog::enableFinding() {
    m_message->setEnabled(true);
}

void SpellingDialog::pauseCheck() {
    // Start takes the shared place alone; Undo Edit has no edit left to undo.
    m_changeButton->hide();
    m_deleteButton->hide();
    m_undoEditButton->hide();
    m_startButton->show();
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_deleteButton, m_changeButton, m_changeAllButton, m_skipButton, m_skipAllButton, m_addButton,
             m_preview, m_suggestions, m_message, m_suggestionsLabel})
        control->setEnabled(false);
    m_suggestions->clear();
    m_preview->clearContext();
}

void SpellingDialog::startAgain() {
    m_startButton->hide();
    ISpellTextControl* control = m_checker.checkedControl();
    if (!control)
        return;
    try {
        control->textLength();
    } catch (const SpellError&) {
        return; // the text control is gone: nothing to start on, and nothing to tell
    }
    // The pause is over: a repeated word found first must not leave Skip greyed out.
    m_skipButton->setEnabled(true);
    decide([this, control] { m_checker.checkControl(*control); });
}
