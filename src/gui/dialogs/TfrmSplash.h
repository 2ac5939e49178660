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
class TfrmSplash final : public QDialog {
    Q_OBJECT
public:
    // `pictureFolder` holds "about.jpg". Without `log`, failures are dropped (tests).
    TfrmSplash(bool startingUp, const QString& pictureFolder, IShell& shell, IPrompts& prompts,
               IErrorReporter* log = nullptr, QWidget* parent = nullptr);

    // The splash scale for a screen's horizontal logical resolution: 96 gives 1.0, 120 gives 1.35.
    static double GetFontSize(double dpiX);
    // The splash screen's client size at a scale, fractions cut off toward zero.
    static QSize splashClientSize(double scale);
    // "version " and the running version, computed once for the run; empty before the first box.
    static const QString& versionLabelText();

    bool isSplash() const { return m_splash; }
    double splashScale() const { return m_scale; }
    // Why the picture is not shown; empty when it is.
    const QString& pictureError() const { return m_pictureError; }

    QLabel* Image1() const { return m_image; }
    QLabel* lblAppName() const { return m_lblAppName; }
    QLabel* lblVersionNum() const { return m_lblVersionNum; }
    QLabel* lblWebSite() const { return m_lblWebSite; }
    QFrame* pnlOk() const { return m_pnlOk; }
    QPushButton* cmdClose() const { return m_cmdClose; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    const QScreen* targetScreen() const;
    double screenScale() const;
    void loadPicture(const QString& pictureFolder);
    void placeControls();
    void lblWebSiteClick();
    template <typename Work> bool guard(const QString& unit, const char* method, Work&& work);

    IShell& m_shell;
    IPrompts& m_prompts;
    IErrorReporter* m_log;
    bool m_splash;
    double m_scale = 1.0;
    QString m_pictureError;

    QLabel* m_image = nullptr;
    QLabel* m_lblAppName = nullptr;
    QLabel* m_lblVersionNum = nullptr;
    QLabel* m_lblWebSite = nullptr;
    QFrame* m_pnlOk = nullptr;
    QPushButton* m_cmdClose = nullptr;
};
