#pragma once

#include "platform/Prompts.h"

#include <QColor>
#include <QDialog>
#include <optional>

class QComboBox;
class QFontDialog;

// The font dialog with a colour row below it. "Automatic" keeps the desktop's text colour, which
// follows a later light or dark theme; "Other..." opens the colour dialog.
class FontColourDialog final : public QDialog {
public:
    explicit FontColourDialog(const FontChoice& initial, QWidget* owner = nullptr);

    FontChoice choice() const;

    QFontDialog* fonts() const { return m_fonts; }
    QComboBox* colours() const { return m_colours; }

private:
    // The colour entries: "Automatic", the chosen colour when there is one, "Other...".
    static constexpr int AutomaticEntry = 0;
    int otherEntry() const;
    void showColours();
    void entryPicked(int index);

    QFontDialog* m_fonts;
    QComboBox* m_colours;
    std::optional<QColor> m_colour;
};
