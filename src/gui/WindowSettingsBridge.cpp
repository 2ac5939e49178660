#include "WindowSettingsBridge.h"

#include "controls/LinkTextEdit.h"
#include "gui/dialogs/FontChoiceQt.h"

#include <QHeaderView>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>
#include <algorithm>

namespace {

// The title bar that the window manager adds, not known before the first show.
constexpr int TitleBarAllowance = 32;

} // namespace

WindowSettingsBridge::WindowSettingsBridge(QMainWindow& window, QSplitter& splitter, QHeaderView& header,
                                           LinkTextEdit& title, LinkTextEdit& body, WindowPlacement placement)
    : m_window(window), m_splitter(splitter), m_header(header), m_title(title), m_body(body),
      m_placement(placement) {
    layOut();
}

void WindowSettingsBridge::layOut() {
    // A shown window lays itself out on every resize; a hidden one only on its next show, which lays
    // it out again at the size it then has.
    if (m_window.isVisible())
        return;
    QLayout* layout = m_window.layout();
    if (!layout)
        return;
    layout->invalidate();
    layout->activate();
    // A maximized window will fill the screen.
    const QScreen* screen = m_window.screen();
    if (m_window.windowState() & Qt::WindowMaximized && screen)
        layout->setGeometry(
            QRect(QPoint(), screen->availableGeometry().size() - QSize(0, TitleBarAllowance)));
    // A hidden splitter gets no resize event to share its new height out by.
    m_splitter.refresh();
}

int WindowSettingsBridge::contentsHeight() const {
    const QList<int> sizes = m_splitter.sizes();
    return !sizes.isEmpty() && sizes.first() > 0 ? sizes.first() : m_splitter.widget(0)->height();
}

int WindowSettingsBridge::fittingContentsHeight(int wanted) const {
    const int room = m_splitter.height() - m_splitter.handleWidth();
    const int lowest = m_splitter.widget(0)->minimumHeight();
    const int highest = room - m_splitter.widget(1)->minimumHeight();
    return std::max(lowest, std::min(wanted, highest));
}

WindowSettings WindowSettingsBridge::current() const {
    WindowSettings s;
    const Qt::WindowStates state = m_window.windowState();
    // Top and Left are the frame's outer corner, Width and Height the inside: as applied below.
    const QPoint frameOffset = m_window.geometry().topLeft() - m_window.pos();
    const QRect normal =
        state & (Qt::WindowMaximized | Qt::WindowMinimized) && m_window.normalGeometry().isValid()
            ? m_window.normalGeometry()
            : m_window.geometry();
    if (m_placement.knowsPositions()) {
        s.top = normal.top() - frameOffset.y();
        s.left = normal.left() - frameOffset.x();
    }
    s.width = normal.width();
    s.height = normal.height();
    s.contentsHeight = contentsHeight();
    s.windowState = state & Qt::WindowMinimized   ? WindowState::Minimized
                    : state & Qt::WindowMaximized ? WindowState::Maximized
                                                  : WindowState::Normal;
    s.dateCreatedWidth = m_header.sectionSize(0);
    s.lastModifiedWidth = m_header.sectionSize(1);
    s.titleWidth = m_header.sectionSize(2);
    const QFont font = m_title.font();
    s.fontFamily = font.family();
    s.fontColour = colourValue(chosenTextColour(m_title).value_or(QColor()));
    s.fontSize = font.pointSize();
    s.fontStyle = FontStyle{font.bold(), font.italic(), font.underline(), font.strikeOut()};
    return s;
}

void WindowSettingsBridge::apply(const WindowSettings& stored) {
    if (m_placement.knowsPositions()) {
        QPoint corner = m_window.pos();
        if (stored.top)
            corner.setY(*stored.top);
        if (stored.left)
            corner.setX(*stored.left);
        m_window.move(corner);
    }
    m_window.resize(stored.width.value_or(m_window.width()), stored.height.value_or(m_window.height()));
    if (stored.windowState == WindowState::Minimized)
        m_window.setWindowState(Qt::WindowMinimized);
    else if (stored.windowState == WindowState::Maximized)
        m_window.setWindowState(Qt::WindowMaximized);
    layOut(); // at the size and state just applied
    if (stored.contentsHeight) {
        const int contents = fittingContentsHeight(*stored.contentsHeight);
        const int room = m_splitter.height() - m_splitter.handleWidth();
        m_splitter.setSizes({contents, std::max(room - contents, 1)});
    }
    const std::optional<int> widths[] = {stored.dateCreatedWidth, stored.lastModifiedWidth,
                                         stored.titleWidth};
    for (int column = 0; column < 3; ++column)
        if (widths[column])
            m_header.resizeSection(column, *widths[column]);
    applyFont(stored);
}

void WindowSettingsBridge::applyFont(const WindowSettings& stored) {
    if (!stored.fontFamily)
        return;
    for (LinkTextEdit* field : {&m_title, &m_body}) {
        QFont font = field->font();
        font.setFamily(*stored.fontFamily);
        if (stored.fontSize)
            font.setPointSize(*stored.fontSize);
        if (stored.fontStyle) {
            font.setBold(stored.fontStyle->bold);
            font.setItalic(stored.fontStyle->italic);
            font.setUnderline(stored.fontStyle->underline);
            font.setStrikeOut(stored.fontStyle->strikeOut);
        }
        field->setFont(font);
        // A system colour constant leaves the field on the desktop's text colour, so that it follows a
        // later change of theme.
        if (stored.fontColour && !isSystemColourValue(*stored.fontColour))
            setChosenTextColour(*field, colourFromValue(*stored.fontColour, QColor()));
    }
}
