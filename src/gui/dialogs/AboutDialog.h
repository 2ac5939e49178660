#pragma once

#include "platform/Prompts.h"
#include "platform/Shell.h"

#include <QDialog>

class IErrorReporter;
class QFrame;
class QLabel;
class QPushButton;
class QScreen;

// The about box: a picture with the program's version and the vendor's web address. While the main
// window is starting up it serves as a borderless splash screen instead. The first box created in the
// run reads the running version (RunningVersion::readVersion).
class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    // `pictureFolder` holds "about.jpg". Without `log`, failures are dropped (tests).
    AboutDialog(bool startingUp, const QString& pictureFolder, IShell& shell, IPrompts& prompts,
                IErrorReporter* log = nullptr, QWidget* parent = nullptr);

    // The splash scale for a screen's horizontal logical resolution: 96 gives 1.0, 120 gives 1.35.
    static double fontScaleForDpi(double dpiX);
    // The splash screen's client size at a scale, fractions cut off toward zero.
    static QSize splashClientSize(double scale);
    // "version " and the running version, computed once for the run; empty before the first box.
    static const QString& versionLabelText();

    bool isSplash() const { return m_splash; }
    double splashScale() const { return m_scale; }
    // Why the picture is not shown; empty when it is.
    const QString& pictureError() const { return m_pictureError; }

    QLabel* picture() const { return m_image; }
    QLabel* appNameLabel() const { return m_appNameLabel; }
    QLabel* versionLabel() const { return m_versionLabel; }
    QLabel* webSiteLabel() const { return m_webSiteLabel; }
    QFrame* okPanel() const { return m_okPanel; }
    QPushButton* closeButton() const { return m_closeButton; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpContents();
    const QScreen* targetScreen() const;
    double screenScale() const;
    void loadPicture(const QString& pictureFolder);
    void placeControls();
    void openWebSite();
    template <typename Work> bool guard(const QString& unit, QLatin1String method, Work&& work);

    IShell& m_shell;
    IPrompts& m_prompts;
    IErrorReporter* m_log;
    bool m_splash;
    double m_scale = 1.0;
    QString m_pictureError;

    QLabel* m_image = nullptr;
    QLabel* m_appNameLabel = nullptr;
    QLabel* m_versionLabel = nullptr;
    QLabel* m_webSiteLabel = nullptr;
    QFrame* m_okPanel = nullptr;
    QPushButton* m_closeButton = nullptr;
};
