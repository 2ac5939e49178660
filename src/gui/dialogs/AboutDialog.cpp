#include "AboutDialog.h"

#include "gui/dialogs/JpegImage.h"
#include "gui/dialogs/ShellCommands.h"
#include "platform/AppPaths.h"
#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"
#include "platform/RunningVersion.h"
#include "platform/Vendor.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace {

const QString UnitName = LogUnit::About;

// Design values in pixels.
constexpr QSize AboutClientSize(426, 329);
constexpr QSize SplashDesignSize(428, 288);
constexpr int PictureHeight = 288;
constexpr int PanelHeight = 41;
constexpr QRect CloseButtonPlace(343, 8, 75, 25);
constexpr int VersionTop = 207;
constexpr int WebSiteTop = 233;
const QColor LabelColour(34, 53, 174);

QString& cachedVersionText() {
    static QString text;
    return text;
}

QFont labelFont(int points, bool underline) {
    QFont font;
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    font.setPointSize(points);
    font.setBold(true);
    font.setUnderline(underline);
    return font;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QFont& font) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, LabelColour);
    label->setPalette(palette);
    return label;
}

} // namespace

template <typename Work> bool AboutDialog::guard(const QString& unit, QLatin1String method, Work&& work) {
    if (m_log)
        return guarded(*m_log, unit, QString(method), LogMode::Loud, std::forward<Work>(work));
    try {
        work();
        return true;
    } catch (...) {
        return false;
    }
}

AboutDialog::AboutDialog(bool startingUp, const QString& pictureFolder, IShell& shell, IPrompts& prompts,
                         IErrorReporter* log, QWidget* parent)
    : QDialog(parent), m_shell(shell), m_prompts(prompts), m_log(log), m_splash(startingUp) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("About..."));
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans")});
    font.setPointSize(8);
    setFont(font);

    // The picture first, so that the labels lie on top of it.
    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("picture"));
    m_image->setAlignment(Qt::AlignCenter);
    m_appNameLabel = new QLabel(this);
    m_appNameLabel->setObjectName(QStringLiteral("lblAppName"));
    m_appNameLabel->hide();
    m_versionLabel = makeLabel(this, "lblVersionNum", labelFont(10, false));
    m_webSiteLabel = makeLabel(this, "lblWebSite", labelFont(8, true));
    m_webSiteLabel->setText(WebSiteAddress);
    // A link's hand cursor, shown while the mouse is over the address.
    m_webSiteLabel->setCursor(Qt::PointingHandCursor);
    m_webSiteLabel->installEventFilter(this);

    m_okPanel = new QFrame(this);
    m_okPanel->setObjectName(QStringLiteral("pnlOk"));
    m_okPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_closeButton = new QPushButton(QStringLiteral("&Close"), m_okPanel);
    m_closeButton->setObjectName(QStringLiteral("cmdClose"));
    m_closeButton->setDefault(true);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);

    loadPicture(pictureFolder);
    guard(UnitName, LogRoutine::Create, [this] { setUpContents(); });
    placeControls();
}

void AboutDialog::setUpContents() {
    if (!guard(UnitName, LogRoutine::FontScale, [this] { m_scale = screenScale(); }))
        m_scale = 1.0;
    QString& label = cachedVersionText();
    if (label.isEmpty()) {
        guard(UnitName, LogRoutine::ProductVersion, [] { RunningVersion::readVersion(); });
        label = QStringLiteral("version ") + RunningVersion::text();
    }
    if (m_splash) {
        setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
        m_okPanel->hide();
        setFixedSize(splashClientSize(m_scale));
    } else {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        setFixedSize(AboutClientSize);
    }
    m_appNameLabel->setText(QStringLiteral("Quillnote"));
    m_versionLabel->setText(label);
}

double AboutDialog::fontScaleForDpi(double dpiX) {
    const double quotient = dpiX / 96.0;
    return quotient > 1.0 ? quotient + 0.1 : quotient;
}

QSize AboutDialog::splashClientSize(double scale) {
    // int() cuts toward zero: 577 x 388 at 120 dpi, where rounding would give 578 x 389.
    return {int(SplashDesignSize.width() * scale), int(SplashDesignSize.height() * scale)};
}

const QString& AboutDialog::versionLabelText() {
    return cachedVersionText();
}

const QScreen* AboutDialog::targetScreen() const {
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    return owner ? owner->screen() : QGuiApplication::primaryScreen();
}

double AboutDialog::screenScale() const {
    const QScreen* screen = targetScreen();
    return screen ? fontScaleForDpi(screen->logicalDotsPerInchX()) : 1.0;
}

void AboutDialog::loadPicture(const QString& pictureFolder) {
    const QString path = AppPaths::withTrailingSlash(pictureFolder) + QStringLiteral("about.jpg");
    const JpegImage::Result picture = JpegImage::decodeFile(path);
    if (picture.image.isNull())
        m_pictureError = path + QStringLiteral(": ") + picture.error;
    else
        m_image->setPixmap(QPixmap::fromImage(picture.image));
}

void AboutDialog::placeControls() {
    const int width = this->width();
    const int pictureArea = m_splash ? height() : height() - PanelHeight;
    m_image->setGeometry(0, 0, width, pictureArea);
    m_okPanel->setGeometry(0, pictureArea, width, PanelHeight);
    m_closeButton->setGeometry(CloseButtonPlace);

    // The labels sit in the picture's free band, wherever the centred picture lands.
    const int pictureTop = (pictureArea - PictureHeight) / 2;
    for (auto [label, top] : {std::pair{m_versionLabel, VersionTop}, std::pair{m_webSiteLabel, WebSiteTop}}) {
        const QSize size = label->sizeHint();
        label->setGeometry((width - size.width()) / 2, pictureTop + top, size.width(), size.height());
    }

    if (const QScreen* screen = targetScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
    // There is no Cancel button, so Escape does nothing; Enter presses the default Close button.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_webSiteLabel && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            m_webSiteLabel->rect().contains(mouse->position().toPoint())) {
            openWebSite();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::openWebSite() {
    // Logged as the main window's routine: the update check opens addresses through it too.
    guard(LogUnit::Main, LogRoutine::OpenWebsite,
          [this] { openWebsite(m_shell, m_prompts, m_webSiteLabel->text()); });
}
