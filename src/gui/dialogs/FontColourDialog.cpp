#include "FontColourDialog.h"

#include "gui/dialogs/FontChoiceQt.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QIcon swatch(const QColor& colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

} // namespace

FontColourDialog::FontColourDialog(const FontChoice& initial, QWidget* owner)
    : QDialog(owner), m_fonts(new QFontDialog(fontOf(initial), this)), m_colours(new QComboBox(this)),
      m_colour(colourOf(initial)) {
    setWindowTitle(QStringLiteral("Font"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Qt's font dialog, without buttons, grip or margins of its own, as a part of this one.
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setSizeGripEnabled(false);
    if (m_fonts->layout())
        m_fonts->layout()->setContentsMargins(0, 0, 0, 0);
    // Escape inside it would close only that part.
    connect(m_fonts, &QDialog::rejected, this, &QDialog::reject);

    m_colours->setObjectName(QStringLiteral("cboColour"));
    m_colours->setMinimumContentsLength(12);
    showColours();
    connect(m_colours, &QComboBox::activated, this, &FontColourDialog::entryPicked);

    auto* colourLabel = new QLabel(QStringLiteral("&Color:"), this);
    colourLabel->setBuddy(m_colours);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(colourLabel);
    colourRow->addWidget(m_colours);
    colourRow->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Enter means OK, not the hidden OK of the font part.
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);
}

int FontColourDialog::otherEntry() const {
    return m_colours->count() - 1;
}

FontChoice FontColourDialog::choice() const {
    return fontChoiceOf(m_fonts->currentFont(), m_colour);
}

void FontColourDialog::showColours() {
    m_colours->clear();
    m_colours->addItem(swatch(palette().color(QPalette::Text)), QStringLiteral("Automatic"));
    if (m_colour)
        m_colours->addItem(swatch(*m_colour), m_colour->name());
    m_colours->addItem(QStringLiteral("Other..."));
    m_colours->setCurrentIndex(m_colour ? 1 : AutomaticEntry);
}

void FontColourDialog::entryPicked(int index) {
    if (index == AutomaticEntry) {
        m_colour.reset();
    } else if (index == otherEntry()) {
        const QColor picked =
            QColorDialog::getColor(m_colour.value_or(palette().color(QPalette::Text)), this);
        if (picked.isValid())
            m_colour = picked;
    }
    showColours();
}
