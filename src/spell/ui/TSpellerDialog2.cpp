#include "TSpellerDialog2.h"

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

// An entry of the text table; the English text while no checker has filled the table yet.
QString text(int entry) {
    const QString& own = SpellTexts[std::size_t(entry)];
    return own.isEmpty() ? EnglishSpellTexts()[std::size_t(entry)] : own;
}

// Suggestion rows of a fixed height, drawn with the list's font.
class VariantDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), TSpellerDialog2::ItemHeight};
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

bool isOneOf(TSpellReturnCode code, std::initializer_list<TSpellReturnCode> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

} // namespace

TSpellerDialog2::TSpellerDialog2(TSpellChecker& checker, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      m_checker(checker) {
    buildForm();
}

TSpellerDialog2::~TSpellerDialog2() {
    m_checker.DialogDestroyed();
}

TSpellChecker::DialogFactory TSpellerDialog2::factory(QWidget* owner) {
    return [owner](TSpellChecker& checker) -> ISpellDialog* { return new TSpellerDialog2(checker, owner); };
}

QPushButton* TSpellerDialog2::makeButton(const char* name, const QString& caption, QRect place,
                                         const QFont& font) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    button->setFont(font);
    return button;
}

void TSpellerDialog2::buildForm() {
    setObjectName(QStringLiteral("SpellerDialog2"));
    setWindowTitle(QStringLiteral("Spelling"));
    setFixedSize(ClientSize);
    setFont(arial(10));

    const QFont checkerFont = toQFont(m_checker.Font);

    InfoMsg = new QLabel(QStringLiteral("Unknown word"), this);
    InfoMsg->setObjectName(QStringLiteral("InfoMsg"));
    InfoMsg->setGeometry(4, 4, 302, 13);
    InfoMsg->setFont(arial(12));

    Misspelling = new SpellPreview(this);
    Misspelling->setObjectName(QStringLiteral("Misspelling"));
    Misspelling->setGeometry(4, 20, 302, 73);
    Misspelling->setFont(checkerFont);

    Label2 = new QLabel(QStringLiteral("&Variants"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(4, 106, 302, 13);
    Label2->setFont(arial(12));

    Variants = new QListWidget(this);
    Variants->setObjectName(QStringLiteral("Variants"));
    Variants->setGeometry(4, 122, 196, 102);
    Variants->setFont(checkerFont);
    Variants->setUniformItemSizes(true);
    Variants->setSelectionMode(QAbstractItemView::SingleSelection);
    Variants->setItemDelegate(new VariantDelegate(Variants));
    Label2->setBuddy(Variants);

    const QFont buttonFont = arial(11);
    const QRect changePlace(207, 122, 99, 20);
    ChangeButton = makeButton("ChangeButton", QStringLiteral("&Change"), changePlace, font());
    ChangeAllButton =
        makeButton("ChangeAllButton", QStringLiteral("Change A&ll"), {207, 146, 99, 21}, buttonFont);
    SkipButton = makeButton("SkipButton", QStringLiteral("&Skip"), {207, 179, 99, 20}, buttonFont);
    SkipAllButton = makeButton("SkipAllButton", QStringLiteral("S&kip All"), {207, 203, 99, 20}, buttonFont);
    AddButton = makeButton("AddButton", QStringLiteral("&Add"), {207, 236, 99, 20}, buttonFont);
    CancelButton = makeButton("CancelButton", QStringLiteral("Ca&ncel"), {4, 236, 70, 20}, buttonFont);
    CancelEdit = makeButton("CancelEdit", QStringLiteral("&Undo Edit"), {81, 236, 119, 20}, buttonFont);
    DelButton = makeButton("DelButton", QStringLiteral("Delete"), changePlace, font());
    StartButton = makeButton("StartButton", QStringLiteral("Start"), changePlace, buttonFont);
    CancelEdit->hide();
    StartButton->hide();
    // Change, Delete and Start share one place: only one of them shows at a time.
    DelButton->hide();
    ChangeButton->setDefault(true);

    QWidget* order[] = {Misspelling, Variants,     ChangeButton, ChangeAllButton, SkipButton, SkipAllButton,
                        AddButton,   CancelButton, CancelEdit,   DelButton,       StartButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(Misspelling, &SpellPreview::edited, this, &TSpellerDialog2::MisspellingChange);
    connect(Variants, &QListWidget::itemDoubleClicked, this, &TSpellerDialog2::ChangeButtonClick);
    connect(ChangeButton, &QPushButton::clicked, this, &TSpellerDialog2::ChangeButtonClick);
    connect(ChangeAllButton, &QPushButton::clicked, this, &TSpellerDialog2::ChangeAllButtonClick);
    connect(SkipButton, &QPushButton::clicked, this, &TSpellerDialog2::SkipButtonClick);
    connect(SkipAllButton, &QPushButton::clicked, this, &TSpellerDialog2::SkipAllButtonClick);
    connect(AddButton, &QPushButton::clicked, this, &TSpellerDialog2::AddButtonClick);
    connect(DelButton, &QPushButton::clicked, this, &TSpellerDialog2::DelButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TSpellerDialog2::CancelButtonClick);
    connect(CancelEdit, &QPushButton::clicked, this, &TSpellerDialog2::CancelEditClick);
    connect(StartButton, &QPushButton::clicked, this, &TSpellerDialog2::StartButtonClick);
}

// ---- Showing -------------------------------------------------------------------------------------

void TSpellerDialog2::showDialog() {
    if (isVisible())
        return;
    centreOnScreen();
    if (!m_checker.ModalDialog) {
        show();
        raise();
        activateWindow();
        return;
    }
    ++m_modalDepth;
    exec(); // ends when the checker hides the dialog (FinishCheck)
    --m_modalDepth;
    if (m_modalDepth == 0 && m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
}

void TSpellerDialog2::hideDialog() {
    hide(); // also leaves a modal show's loop
}

void TSpellerDialog2::closeDialog() {
    m_closing = true;
    close();
    m_closing = false;
}

void TSpellerDialog2::reject() {
    if (m_closing || !isVisible()) {
        QDialog::reject();
        return;
    }
    CancelButtonClick();
}

void TSpellerDialog2::centreOnScreen() {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void TSpellerDialog2::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TSpellerDialog2::FormShow() {
    Label2->setText(text(0));
    ChangeButton->setText(text(2));
    ChangeAllButton->setText(text(3));
    SkipButton->setText(text(4));
    SkipAllButton->setText(text(5));
    DelButton->setText(text(1));
    CancelButton->setText(text(7));
    CancelEdit->setText(text(8));
    StartButton->setText(text(25));
    AddButton->setText(text(6));
}

// ---- Presentations --------------------------------------------------------------------------------

void TSpellerDialog2::ShowContext() {
    Misspelling->setEnabled(true);
    int lineStart = 0;
    QString line;
    m_checker.GetLineAt(m_checker.ErrorPos(), lineStart, line);

    // Text is Unicode all the way, so the preview needs no character set or code-page conversion.
    QTextCharFormat normal;
    normal.setForeground(Misspelling->palette().color(QPalette::Text));
    normal.setFont(Misspelling->font());
    QTextCharFormat flagged;
    // The user's colour, lightened on a dark background (or darkened on a light one) when it would be
    // hard to read there.
    flagged.setForeground(ReadableColor::readableOn(misspellColor(m_checker.MisspellFont),
                                                    Misspelling->palette().color(QPalette::Base)));
    flagged.setFont(misspellQFont(m_checker.MisspellFont, Misspelling->font()));
    Misspelling->setContext(line, m_checker.ErrorPos() - lineStart, m_checker.ErrorLen(), normal, flagged);
    m_flagged = Misspelling->editedText();
}

void TSpellerDialog2::presentCommon(const QString& message) {
    ShowContext();
    InfoMsg->setText(message);
    InfoMsg->setEnabled(true);
    StartButton->hide();
    CancelEdit->hide();
}

bool TSpellerDialog2::learnable() const {
    return m_checker.LastResult() == TSpellReturnCode::srUnknownInputWord &&
           m_checker.ErrorWord().size() <= MaxLearnableLength;
}

void TSpellerDialog2::PresentA(const QString& message) {
    presentCommon(message);
    DelButton->hide();
    ChangeButton->show();
    SkipButton->setEnabled(true);
    SkipAllButton->setEnabled(learnable());
    AddButton->setEnabled(learnable());
    fillVariants();
    Variants->setCurrentRow(Variants->count() > 0 ? 0 : -1);
    setDecisionButtons(true);
    if (!isVisible())
        showDialog();
}

void TSpellerDialog2::PresentB(const QString& message) {
    presentCommon(message);
    DelButton->hide();
    ChangeButton->show();
    SkipButton->setEnabled(true);
    Variants->clear();
    setDecisionButtons(false);
    if (!isVisible())
        showDialog();
}

void TSpellerDialog2::PresentC() {
    presentCommon(text(17));
    ChangeButton->hide();
    DelButton->show();
    DelButton->setEnabled(true);
    ChangeAllButton->setEnabled(false);
    SkipButton->show();
    SkipAllButton->setEnabled(false);
    AddButton->setEnabled(false);
    Variants->clear();
    Variants->setEnabled(false);
    Label2->setEnabled(false);
    if (!isVisible())
        showDialog();
}

void TSpellerDialog2::fillVariants() {
    QStringList list;
    const QString& word = m_checker.ErrorWord();
    TAbstractSpeller* speller = m_checker.CurrentSpeller();
    switch (m_checker.LastResult()) {
    case TSpellReturnCode::srUnknownInputWord:
    case TSpellReturnCode::srReturningChangeOnce:
    case TSpellReturnCode::srInvalidHyphenation:
        m_checker.GetSuggestions(word, list, speller ? speller->Language : m_checker.Language());
        if (m_checker.LastResult() == TSpellReturnCode::srReturningChangeOnce && speller) {
            const QString changeTo = speller->GetChangeTo();
            if (!changeTo.isEmpty() && !list.contains(changeTo))
                list.prepend(changeTo);
        }
        break;
    case TSpellReturnCode::srErrorCapitalization:
    case TSpellReturnCode::srNoSentenceStartCap:
        list << m_checker.CapitalizeFirst(word);
        break;
    case TSpellReturnCode::srExtraSpaces:
        list << CollapseSpaces(word);
        break;
    default:
        break;
    }
    Variants->clear();
    Variants->addItems(list);
}

void TSpellerDialog2::setDecisionButtons(bool withList) {
    const bool any = withList && Variants->count() > 0;
    const TSpellReturnCode result = m_checker.LastResult();
    ChangeButton->setEnabled(any);
    Variants->setEnabled(any);
    Label2->setEnabled(any);
    ChangeAllButton->setEnabled(any && isOneOf(result, {TSpellReturnCode::srUnknownInputWord,
                                                        TSpellReturnCode::srReturningChangeOnce}));
    if (!withList) {
        SkipAllButton->setEnabled(false);
        AddButton->setEnabled(false);
    }
}

QString TSpellerDialog2::CollapseSpaces(const QString& errorWord) {
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

void TSpellerDialog2::MisspellingChange() {
    if (Misspelling->Updating)
        return;
    CancelEdit->show();
    ChangeButton->show();
    ChangeButton->setEnabled(true);
    ChangeAllButton->setEnabled(false);
    SkipAllButton->setEnabled(false);
    AddButton->setEnabled(false);
    DelButton->hide();
    Variants->setEnabled(false);
}

void TSpellerDialog2::CancelEditClick() {
    // The flagged text as it stood, rather than the engine's error word: for extra spaces that
    // reaches one character further than what the preview flags.
    Misspelling->replaceEdited(m_flagged);
    const TSpellReturnCode result = m_checker.LastResult();
    if (result == TSpellReturnCode::srRepeatWord) {
        DelButton->show();
        DelButton->setEnabled(true);
        ChangeButton->hide();
        ChangeAllButton->setEnabled(false);
        SkipButton->show();
        SkipAllButton->setEnabled(false);
        AddButton->setEnabled(false);
    } else {
        const bool withList =
            isOneOf(result, {TSpellReturnCode::srUnknownInputWord, TSpellReturnCode::srReturningChangeOnce,
                             TSpellReturnCode::srInvalidHyphenation, TSpellReturnCode::srErrorCapitalization,
                             TSpellReturnCode::srNoSentenceStartCap, TSpellReturnCode::srExtraSpaces});
        // An unknown word the user has put back may be skipped for good or added, however long.
        const bool unknown = result == TSpellReturnCode::srUnknownInputWord;
        DelButton->hide();
        ChangeButton->show();
        SkipButton->setEnabled(true);
        SkipAllButton->setEnabled(unknown);
        AddButton->setEnabled(unknown);
        setDecisionButtons(withList);
    }
    CancelEdit->hide();
}

// ---- Decisions ---------------------------------------------------------------------------------------

template <typename Decision> void TSpellerDialog2::decide(Decision decision) {
    try {
        decision();
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        // The check cannot go on from a state nobody knows: end it, so that the control is free again.
        try {
            m_checker.FinishCheck();
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
            if (OnError)
                OnError(error);
            else
                qWarning("Spell check ended by an error: %s", error.what());
        } catch (...) {
            qWarning("Spell check ended by an unknown error");
        }
    }
}

QString TSpellerDialog2::selectedVariant() const {
    const QList<QListWidgetItem*> selected = Variants->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void TSpellerDialog2::ChangeButtonClick() {
    if (ChangeButton->isHidden() || !ChangeButton->isEnabled())
        return;
    if (CancelEdit->isHidden() && Variants->selectedItems().isEmpty())
        return; // nothing to change to
    decide([this] {
        if (!CancelEdit->isHidden()) {
            m_checker.ChangeWordOnce(Misspelling->editedText());
        } else if (m_checker.LastResult() == TSpellReturnCode::srUnknownInputWord) {
            m_checker.ChangeWord(selectedVariant());
        } else {
            m_checker.ChangeWordOnce(selectedVariant());
        }
        m_checker.ContinueCheck();
    });
}

void TSpellerDialog2::ChangeAllButtonClick() {
    if (Variants->selectedItems().isEmpty())
        return;
    decide([this] {
        m_checker.ChangeWordAll(selectedVariant());
        m_checker.ContinueCheck();
    });
}

void TSpellerDialog2::DelButtonClick() {
    decide([this] {
        m_checker.DeleteRepeatedWord();
        m_checker.ContinueCheck();
    });
}

void TSpellerDialog2::SkipButtonClick() {
    decide([this] { m_checker.ContinueCheck(); });
}

void TSpellerDialog2::SkipAllButtonClick() {
    decide([this] {
        m_checker.IgnoreErrorWord();
        m_checker.ContinueCheck();
    });
}

void TSpellerDialog2::AddButtonClick() {
    decide([this] {
        m_checker.AddErrorWord();
        m_checker.ContinueCheck();
    });
}

void TSpellerDialog2::CancelButtonClick() {
    decide([this] {
        m_checker.Cancelled = true;
        if (m_checker.OnCancel)
            m_checker.OnCancel(this);
        m_checker.FinishCheck();
    });
    if (isVisible())
        hide(); // Cancel always closes, also when no check was running any more
}

// ---- Modeless use -------------------------------------------------------------------------------------

void TSpellerDialog2::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        FormActivate();
        return;
    }
    // Only a modeless dialog left for another window of the program (the text) greys out.
    const QWidget* active = QApplication::activeWindow();
    if (!m_checker.ModalDialog && isVisible() && active && active != this)
        FormDeactivate();
}

void TSpellerDialog2::FormActivate() {
    InfoMsg->setEnabled(true);
}

void TSpellerDialog2::FormDeactivate() {
    // Start takes the shared place alone; Undo Edit has no edit left to undo.
    ChangeButton->hide();
    DelButton->hide();
    CancelEdit->hide();
    StartButton->show();
    for (QWidget* control :
         std::initializer_list<QWidget*>{DelButton, ChangeButton, ChangeAllButton, SkipButton, SkipAllButton,
                                         AddButton, Misspelling, Variants, InfoMsg, Label2})
        control->setEnabled(false);
    Variants->clear();
    Misspelling->clearContext();
}

void TSpellerDialog2::StartButtonClick() {
    StartButton->hide();
    ISpellTextControl* control = m_checker.CheckedControl();
    if (!control)
        return;
    try {
        control->textLength();
    } catch (const ESpellError&) {
        return; // the text control is gone: nothing to start on, and nothing to tell
    }
    // The pause is over: a repeated word found first must not leave Skip greyed out.
    SkipButton->setEnabled(true);
    decide([this, control] { m_checker.CheckControl(*control); });
}
