#include "QuickAddDialog.h"

#include "controls/DesktopFont.h"
#include "controls/LinkTextEdit.h"
#include "controls/NoteKeys.h"
#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"
#include "store/SettingsStore.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

namespace {

const QString UnitName = LogUnit::QuickAdd;

QRect firstScreen() {
    const auto screens = QGuiApplication::screens();
    return screens.isEmpty() ? QRect() : screens.first()->geometry();
}

// The mouse shape over the window's border: which way a press there resizes it.
Qt::CursorShape cursorFor(Qt::Edges edges) {
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        return Qt::SizeFDiagCursor;
    if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        return Qt::SizeBDiagCursor;
    return edges & (Qt::LeftEdge | Qt::RightEdge) ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

QRect desktop() {
    const auto screens = QGuiApplication::screens();
    return screens.isEmpty() ? QRect() : screens.first()->virtualGeometry();
}

} // namespace

QuickAddDialog::QuickAddDialog(AddNoteContext context, QWidget* parent)
    : QDialog(parent, context.placesItself ? Qt::Dialog | Qt::FramelessWindowHint : Qt::Dialog), m(context),
      m_titleEdit(new LinkTextEdit(true, this)), m_bodyEdit(new LinkTextEdit(false, this)),
      m_saveButton(new QPushButton(tr("&Save"), this)), m_cancelButton(new QPushButton(tr("&Cancel"), this)),
      m_settle(new QTimer(this)) {
    setObjectName(QStringLiteral("frmAddNote"));
    setWindowTitle(QStringLiteral("Add Note"));
    setModal(true);
    setFont(desktopFont());
    setMinimumSize(MinimumSize);

    // Without a frame, the border and the mouse shape over it are the signs that the window can be sized.
    auto* contentsPanel = new QFrame(this);
    contentsPanel->setObjectName(QStringLiteral("pnlContents"));
    contentsPanel->setFrameShape(QFrame::Box);
    contentsPanel->setMouseTracking(true);
    contentsPanel->installEventFilter(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(contentsPanel);

    auto* lblTitle = new QLabel(tr("Title:"), contentsPanel);
    lblTitle->setBuddy(m_titleEdit);
    const int lineHeight = m_titleEdit->fontMetrics().lineSpacing();
    m_titleEdit->setFixedHeight(lineHeight + 2 * int(m_titleEdit->document()->documentMargin()) + 4);
    m_titleEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_titleEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_bodyEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_saveButton->setDefault(true);
    m_saveButton->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_cancelButton);

    auto* contents = new QVBoxLayout(contentsPanel);
    contents->setContentsMargins(Margin, Margin, Margin, Margin);
    contents->addWidget(lblTitle);
    contents->addWidget(m_titleEdit);
    contents->addWidget(m_bodyEdit, 1);
    contents->addLayout(buttons);

    auto* keys = new NoteKeys(
        m.clock, m.formats,
        [this](const QString& method, const QString& message) {
            if (method == QLatin1String("redNoteKeyUp"))
                m.log.logError({UnitName, method, message});
            else
                m.log.logErrorQuietly({UnitName, LogRoutine::BodyKey, message});
        },
        this);
    keys->watchBody(m_bodyEdit); // the bullet key is the body's only

    connect(m_titleEdit, &QPlainTextEdit::textChanged, this, &QuickAddDialog::enableSave);
    connect(m_saveButton, &QPushButton::clicked, this, &QuickAddDialog::saveNote);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    m_settle->setSingleShot(true);
    m_settle->setInterval(SettleMs);
    connect(m_settle, &QTimer::timeout, this, &QuickAddDialog::keepOnScreen);

    setOwnGeometry(boundsFromSettings());
    m_titleEdit->setFocus();
}

int QuickAddDialog::openQuickAdd(AddNoteContext context, QWidget* parent) {
    QuickAddDialog window(context, parent);
    return window.exec();
}

QRect QuickAddDialog::boundsFromSettings() {
    QRect bounds = SettingsStore::quickAddDefaults(DesignSize, firstScreen(), desktop());
    guarded(m.log, LogUnit::Main, LogRoutine::QuickAdd, LogMode::Quiet,
            [&] { bounds = m.settings.readQuickAdd(DesignSize, firstScreen(), desktop()); });
    return bounds;
}

void QuickAddDialog::keepOnScreen() {
    m_settle->stop();
    const QRect screen = firstScreen();
    QRect bounds = geometry();
    if (bounds.x() + bounds.width() > screen.x() + screen.width())
        bounds.moveLeft(screen.x() + screen.width() - bounds.width());
    if (bounds.y() + bounds.height() > screen.y() + screen.height())
        bounds.moveTop(screen.y() + screen.height() - bounds.height());
    if (bounds != geometry())
        setOwnGeometry(bounds);
}

void QuickAddDialog::setOwnGeometry(const QRect& bounds) {
    m_ownGeometry = bounds;
    setGeometry(bounds);
}

void QuickAddDialog::geometryChanged() {
    // Events of the window's own placing, and of pulling it back, do not start another wait.
    if (!isVisible() || geometry() == m_ownGeometry)
        return;
    m_settle->start();
}

void QuickAddDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_titleEdit->setFocus();
}

void QuickAddDialog::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    geometryChanged();
}

void QuickAddDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    geometryChanged();
}

Qt::Edges QuickAddDialog::edgesAt(QPoint pos, QSize size) {
    Qt::Edges edges;
    if (pos.x() < ResizeBorder)
        edges |= Qt::LeftEdge;
    else if (pos.x() >= size.width() - ResizeBorder)
        edges |= Qt::RightEdge;
    if (pos.y() < ResizeBorder)
        edges |= Qt::TopEdge;
    else if (pos.y() >= size.height() - ResizeBorder)
        edges |= Qt::BottomEdge;
    return edges;
}

QRect QuickAddDialog::dragged(QRect bounds, Qt::Edges edges, QPoint delta, QSize minimum) {
    if (edges & Qt::LeftEdge)
        bounds.setLeft(std::min(bounds.left() + delta.x(), bounds.right() + 1 - minimum.width()));
    if (edges & Qt::RightEdge)
        bounds.setRight(std::max(bounds.right() + delta.x(), bounds.left() - 1 + minimum.width()));
    if (edges & Qt::TopEdge)
        bounds.setTop(std::min(bounds.top() + delta.y(), bounds.bottom() + 1 - minimum.height()));
    if (edges & Qt::BottomEdge)
        bounds.setBottom(std::max(bounds.bottom() + delta.y(), bounds.top() - 1 + minimum.height()));
    return bounds;
}

bool QuickAddDialog::eventFilter(QObject* watched, QEvent* event) {
    auto* border = qobject_cast<QWidget*>(watched);
    if (border && border->objectName() == QLatin1String("pnlContents") && borderMouseEvent(border, event))
        return true;
    return QDialog::eventFilter(watched, event);
}

// The panel's margin is the window's border: a press near an edge resizes the window from there. The
// window system does it where it can; elsewhere the window follows the mouse itself.
bool QuickAddDialog::borderMouseEvent(QWidget* border, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_drag) {
            const QPoint delta = mouse->globalPosition().toPoint() - m_drag->start;
            setGeometry(dragged(m_drag->bounds, m_drag->edges, delta, minimumSize()));
        } else if (mouse->buttons() == Qt::NoButton) {
            const Qt::Edges edges = edgesAt(border->mapTo(this, mouse->position().toPoint()), size());
            edges ? border->setCursor(cursorFor(edges)) : border->unsetCursor();
        }
        return m_drag.has_value();
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const Qt::Edges edges = edgesAt(border->mapTo(this, mouse->position().toPoint()), size());
        if (mouse->button() != Qt::LeftButton || !edges)
            return false;
        if (!windowHandle() || !windowHandle()->startSystemResize(edges))
            m_drag = Drag{edges, mouse->globalPosition().toPoint(), geometry()};
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!m_drag)
            return false;
        m_drag.reset();
        keepOnScreen(); // letting go ends the resize now rather than after the pause
        return true;
    case QEvent::Leave:
        if (!m_drag)
            border->unsetCursor();
        return false;
    default:
        return false;
    }
}

void QuickAddDialog::enableSave() {
    guarded(m.log, UnitName, LogRoutine::QuickAddTitleEdited, LogMode::Quiet,
            [&] { m_saveButton->setEnabled(!m_titleEdit->text().isEmpty()); });
}

void QuickAddDialog::saveNote() {
    const QString title = m_titleEdit->text();
    if (title.isEmpty())
        return; // a body alone cannot be saved
    const QString body = m_bodyEdit->text();
    // A failed save keeps the window open with the text, so that nothing typed is lost.
    if (guarded(m.log, UnitName, LogRoutine::QuickAddSave, LogMode::Loud, [&] { saveToStore(title, body); }))
        accept();
}

void QuickAddDialog::saveToStore(const QString& title, const QString& body) {
    m.saveNote(title, body);
}

void QuickAddDialog::storeBounds() {
    if (m_boundsStored)
        return;
    m_boundsStored = true;
    m_settle->stop();
    QRect bounds = geometry();
    if (!m.placesItself)
        bounds.moveTopLeft(boundsFromSettings().topLeft()); // the reported position is no real one
    guarded(m.log, LogUnit::Main, LogRoutine::QuickAdd, LogMode::Loud,
            [&] { m.settings.writeQuickAdd(bounds, DesignSize, firstScreen(), desktop()); });
}

void QuickAddDialog::done(int result) {
    storeBounds(); // whatever the result: Cancel stores the bounds too
    QDialog::done(result);
}
