#include "WindowSettingsBridge.h"

#include "controls/TRichEditURL.h"

#include <QHeaderView>
#include <QMainWindow>
#include <QSplitter>

WindowSettingsBridge::WindowSettingsBridge(QMainWindow& window, QSplitter& splitter, QHeaderView& header,
                                           TRichEditURL& title, TRichEditURL& body)
    : m_window(window), m_splitter(splitter), m_header(header), m_title(title), m_body(body) {}

int WindowSettingsBridge::contentsHeight() const {
    // Before the first show the splitter has not laid its panels out yet.
    const QList<int> sizes = m_splitter.sizes();
    return !sizes.isEmpty() && sizes.first() > 0 ? sizes.first() : m_splitter.widget(0)->height();
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
    s.Top = normal.top() - frameOffset.y();
    s.Left = normal.left() - frameOffset.x();
    s.Width = normal.width();
    s.Height = normal.height();
    s.NotePanelHeight = contentsHeight();
    s.FormState = state & Qt::WindowMinimized   ? WindowState::Minimized
                  : state & Qt::WindowMaximized ? WindowState::Maximized
                                                : WindowState::Normal;
    s.colDate = m_header.sectionSize(0);
    s.colTitle = m_header.sectionSize(1);
    s.colNote = m_header.sectionSize(2);
    const QFont font = m_title.font();
    s.Font = font.family();
    s.fColor = colourValue(m_title.palette().color(QPalette::Text));
    s.fSize = font.pointSize();
    s.fStyle = FontStyle{font.bold(), font.italic(), font.underline(), font.strikeOut()};
    return s;
}

void WindowSettingsBridge::apply(const WindowSettings& stored) {
    QPoint corner = m_window.pos();
    if (stored.Top)
        corner.setY(*stored.Top);
    if (stored.Left)
        corner.setX(*stored.Left);
    m_window.move(corner);
    m_window.resize(stored.Width.value_or(m_window.width()), stored.Height.value_or(m_window.height()));
    if (stored.NotePanelHeight) {
        const int total = m_splitter.height() > 0 ? m_splitter.height() : m_window.height();
        m_splitter.setSizes({*stored.NotePanelHeight, std::max(total - *stored.NotePanelHeight, 1)});
    }
    if (stored.FormState == WindowState::Minimized)
        m_window.setWindowState(Qt::WindowMinimized);
    else if (stored.FormState == WindowState::Maximized)
        m_window.setWindowState(Qt::WindowMaximized);
    const std::optional<int> widths[] = {stored.colDate, stored.colTitle, stored.colNote};
    for (int column = 0; column < 3; ++column)
        if (widths[column])
            m_header.resizeSection(column, *widths[column]);

    if (!stored.Font)
        return;
    for (TRichEditURL* field : {&m_title, &m_body}) {
        QFont font = field->font();
        font.setFamily(*stored.Font);
        if (stored.fSize)
            font.setPointSize(*stored.fSize);
        if (stored.fStyle) {
            font.setBold(stored.fStyle->bold);
            font.setItalic(stored.fStyle->italic);
            font.setUnderline(stored.fStyle->underline);
            font.setStrikeOut(stored.fStyle->strikeOut);
        }
        field->setFont(font);
        if (stored.fColor) {
            QPalette palette = field->palette();
            palette.setColor(QPalette::Text,
                             colourFromValue(*stored.fColor, palette.color(QPalette::WindowText)));
            field->setPalette(palette);
        }
    }
}
