#include "TfrmSplash.h"

#include "gui/dialogs/JpegImage.h"
#include "gui/dialogs/ShellCommands.h"
#include "platform/AppPaths.h"
#include "platform/ErrorReporter.h"
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

const QString UnitName = QStringLiteral("Splash");

// Design values in pixels.
constexpr QSize AboutClientSize(426, 329);
constexpr QSize SplashDesignSize(428, 288);
constexpr int PictureHeight = 288;
constexpr int PanelHeight = 41;
constexpr QRect CloseButtonPlace(343, 8, 75, 25);
constexpr int VersionTop = 207;
constexpr int WebSiteTop = 233;
const QColor LabelColour(34, 53, 174);

QString& versionLabel() {
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

template <typename Work> bool TfrmSplash::guard(const QString& unit, const char* method, Work&& work) {
    if (m_log)
        return guarded(*m_log, unit, QString::fromLatin1(method), LogMode::Loud, std::forward<Work>(work));
    try {
        work();
        return true;
    } catch (...) {
        return false;
    }
}

TfrmSplash::TfrmSplash(bool startingUp, const QString& pictureFolder, IShell& shell, IPrompts& prompts,
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
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setAlignment(Qt::AlignCenter);
    m_lblAppName = new QLabel(this);
    m_lblAppName->setObjectName(QStringLiteral("lblAppName"));
    m_lblAppName->hide();
    m_lblVersionNum = makeLabel(this, "lblVersionNum", labelFont(10, false));
    m_lblWebSite = makeLabel(this, "lblWebSite", labelFont(8, true));
    m_lblWebSite->setText(WebSiteAddress);
    // A link's hand cursor, shown while the mouse is over the address.
    m_lblWebSite->setCursor(Qt::PointingHandCursor);
    m_lblWebSite->installEventFilter(this);

    m_pnlOk = new QFrame(this);
    m_pnlOk->setObjectName(QStringLiteral("pnlOk"));
    m_pnlOk->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_cmdClose = new QPushButton(QStringLiteral("&Close"), m_pnlOk);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    m_cmdClose->setDefault(true);
    connect(m_cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    loadPicture(pictureFolder);
    guard(UnitName, "FormCreate", [this] { FormCreate(); });
    placeControls();
}

void TfrmSplash::FormCreate() {
    if (!guard(UnitName, "GetFontSize", [this] { m_scale = screenScale(); }))
        m_scale = 1.0;
    QString& label = versionLabel();
    if (label.isEmpty()) {
        guard(UnitName, "GetProductVersion", [] { RunningVersion::readVersion(); });
        label = QStringLiteral("version ") + RunningVersion::text();
    }
    if (m_splash) {
        setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
        m_pnlOk->hide();
        setFixedSize(splashClientSize(m_scale));
    } else {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        setFixedSize(AboutClientSize);
    }
    m_lblAppName->setText(QStringLiteral("Quillnote"));
    m_lblVersionNum->setText(label);
}

double TfrmSplash::GetFontSize(double dpiX) {
    const double quotient = dpiX / 96.0;
    return quotient > 1.0 ? quotient + 0.1 : quotient;
}

QSize TfrmSplash::splashClientSize(double scale) {
    // int() cuts toward zero: 577 x 388 at 120 dpi, where rounding would give 578 x 389.
    return {int(SplashDesignSize.width() * scale), int(SplashDesignSize.height() * scale)};
}

const QString& TfrmSplash::versionLabelText() {
    return versionLabel();
}

const QScreen* TfrmSplash::targetScreen() const {
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    return owner ? owner->screen() : QGuiApplication::primaryScreen();
}

double TfrmSplash::screenScale() const {
    const QScreen* screen = targetScreen();
    return screen ? GetFontSize(screen->logicalDotsPerInchX()) : 1.0;
}

void TfrmSplash::loadPicture(const QString& pictureFolder) {
    const QString path = AppPaths::withTrailingSlash(pictureFolder) + QStringLiteral("about.jpg");
    const JpegImage::Result picture = JpegImage::decodeFile(path);
    if (picture.image.isNull())
        m_pictureError = path + QStringLiteral(": ") + picture.error;
    else
        m_image->setPixmap(QPixmap::fromImage(picture.image));
}

void TfrmSplash::placeControls() {
    const int width = this->width();
    const int pictureArea = m_splash ? height() : height() - PanelHeight;
    m_image->setGeometry(0, 0, width, pictureArea);
    m_pnlOk->setGeometry(0, pictureArea, width, PanelHeight);
    m_cmdClose->setGeometry(CloseButtonPlace);

    // The labels sit in the picture's free band, wherever the centred picture lands.
    const int pictureTop = (pictureArea - PictureHeight) / 2;
    for (auto [label, top] : {std::pair{m_lblVersionNum, VersionTop}, std::pair{m_lblWebSite, WebSiteTop}}) {
        const QSize size = label->sizeHint();
        label->setGeometry((width - size.width()) / 2, pictureTop + top, size.width(), size.height());
    }

    if (const QScreen* screen = targetScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmSplash::keyPressEvent(QKeyEvent* event) {
    // There is no Cancel button, so Escape does nothing; Enter presses the default Close button.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_lblWebSite && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_lblWebSite->rect().contains(mouse->position().toPoint())) {
            lblWebSiteClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSplash::lblWebSiteClick() {
    // Logged as the main window's routine: the update check opens addresses through it too.
    guard(QStringLiteral("Main"), "LaunchWebsite",
          [this] { LaunchWebsite(m_shell, m_prompts, m_lblWebSite->text()); });
}
