#include "TfrmOptions.h"

#include "controls/DesktopFont.h"
#include "platform/ErrorReporter.h"
#include "platform/Prompts.h"
#include "spell/ui/LanguagePicker.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString UnitName = QStringLiteral("Options");
const QString LanguageHint =
    QStringLiteral("Specify the language to be used when checking for spelling errors.");

QCheckBox* checkBox(const char* name, const char* caption, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

} // namespace

template <typename Work> void TfrmOptions::guard(const char* method, Work&& work) {
    guarded(m.log, UnitName, QString::fromLatin1(method), LogMode::Loud, std::forward<Work>(work));
}

TfrmOptions::TfrmOptions(OptionsDialogContext context, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m(std::move(context)) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Quillnote Options"));
    setModal(true);
    setFont(desktopFont());
    buildLayout();
    FormCreate();
}

void TfrmOptions::buildLayout() {
    m_grpOptions = new QGroupBox(QStringLiteral(" Quillnote Options "), this);
    m_grpOptions->setObjectName(QStringLiteral("GroupBox1"));
    QWidget* g = m_grpOptions;

    m_chkStartMinimized = checkBox("chkStartMinimized", "Start Minimized", g);
    m_chkAutoStart = checkBox("chkAutoStart", "Start Quillnote when I log in", g);
    m_chkCheckUpdatesOnStartup = checkBox("chkCheckUpdatesOnStartup", "Check for Updates on Startup", g);
    m_chkUseAlternateLocation =
        checkBox("chkUseAlternateLocation", "Use Alternate Location for Note Storage:", g);
    m_edtQuillLocation = new QLineEdit(g);
    m_edtQuillLocation->setObjectName(QStringLiteral("edtQuillLocation"));
    m_btnStorageDir = new QPushButton(QStringLiteral("..."), g);
    m_btnStorageDir->setObjectName(QStringLiteral("btnStorageDir"));
    m_btnStorageDir->setAutoDefault(false);
    m_btnStorageDir->setFixedWidth(25);
    m_chkSpellCheckSave = checkBox("chkSpellCheckSave", "Spell Check When Saving", g);
    m_chkSpellCheckSave->setToolTip(
        QStringLiteral("When checked, whenever you save a note or task, the title and body will "
                       "automatically be checked for spelling errors."));
    m_Label5 = new QLabel(QStringLiteral("Local Language:"), g);
    m_Label5->setObjectName(QStringLiteral("Label5"));
    // Bound to the checker only once it shows the stored language (FormCreate).
    m_cboSpellCheck = new LanguagePicker(m.configuration, g);
    m_cboSpellCheck->setObjectName(QStringLiteral("cboSpellCheck"));
    m_cboSpellCheck->applyProgramLook();
    m_cboSpellCheck->setFixedSize(215, 24);
    m_cboSpellCheck->setToolTip(LanguageHint);
    m_Label5->setBuddy(m_cboSpellCheck);
    m_chkLoadNotesOnSearch = checkBox("chkLoadNotesOnSearch", "Load Notes on Search", g);
    m_chkCloseFromMenuOnly = checkBox("chkCloseFromMenuOnly", "Close from Menu Only", g);
    m_chkConfirmOnDelete = checkBox("chkConfirmOnDelete", "Confirm on Delete", g);

    auto* location = new QHBoxLayout;
    location->setContentsMargins(20, 0, 0, 0);
    location->addWidget(m_edtQuillLocation, 1);
    location->addWidget(m_btnStorageDir);
    auto* language = new QHBoxLayout;
    language->addWidget(m_Label5);
    language->addWidget(m_cboSpellCheck);
    language->addStretch();

    auto* inside = new QVBoxLayout(m_grpOptions);
    inside->addWidget(m_chkStartMinimized);
    inside->addWidget(m_chkAutoStart);
    inside->addWidget(m_chkCheckUpdatesOnStartup);
    inside->addWidget(m_chkUseAlternateLocation);
    inside->addLayout(location);
    inside->addWidget(m_chkSpellCheckSave);
    inside->addLayout(language);
    inside->addWidget(m_chkLoadNotesOnSearch);
    inside->addWidget(m_chkCloseFromMenuOnly);
    inside->addWidget(m_chkConfirmOnDelete);

    m_btnOK = new QPushButton(QStringLiteral("OK"), this);
    m_btnOK->setObjectName(QStringLiteral("btnOK"));
    m_btnOK->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    m_btnCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnOK);
    buttons->addWidget(m_btnCancel);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(m_grpOptions);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize); // a dialog border: not sizable

    QWidget* order[] = {m_chkStartMinimized,
                        m_chkAutoStart,
                        m_chkCheckUpdatesOnStartup,
                        m_chkUseAlternateLocation,
                        m_edtQuillLocation,
                        m_btnStorageDir,
                        m_chkSpellCheckSave,
                        m_cboSpellCheck,
                        m_chkLoadNotesOnSearch,
                        m_chkCloseFromMenuOnly,
                        m_chkConfirmOnDelete,
                        m_btnOK,
                        m_btnCancel};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_chkUseAlternateLocation, &QCheckBox::toggled, this,
            [this] { guard("chkUseAlternateLocationClick", [&] { chkUseAlternateLocationClick(); }); });
    connect(m_edtQuillLocation, &QLineEdit::textChanged, this,
            [this] { guard("edtQuillLocationChange", [&] { edtQuillLocationChange(); }); });
    connect(m_btnStorageDir, &QPushButton::clicked, this,
            [this] { guard("btnStorageDirClick", [&] { btnStorageDirClick(); }); });
    connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmOptions::FormCreate() {
    guard("FormCreate", [&] {
        const AppSettings& s = m.settings;
        m_chkStartMinimized->setChecked(s.startMinimized);
        m_chkAutoStart->setChecked(m.autoStartOn); // what the desktop will do, not what was stored
        m_chkCheckUpdatesOnStartup->setChecked(s.checkForUpdatesOnStartup);
        m_chkLoadNotesOnSearch->setChecked(s.loadNotesOnSearch);
        m_chkCloseFromMenuOnly->setChecked(s.closeOnMenuOnly);
        m_chkConfirmOnDelete->setChecked(s.confirmOnDelete);
        m_chkUseAlternateLocation->setChecked(s.useAlternateLocation);
        m_edtQuillLocation->setText(s.alternateLocation);
        m_edtQuillLocation->setEnabled(m_chkUseAlternateLocation->isChecked());
        m_folderInUse = storageFolderInUse(s);
        m_chkSpellCheckSave->setChecked(s.checkSpellingOnSave);
        m_cboSpellCheck->setItemIndex(s.spellCheckerLanguage);
        m_cboSpellCheck->setSpellChecker(m.checker); // from now on a choice applies at once
    });
}

void TfrmOptions::chkUseAlternateLocationClick() {
    const bool on = m_chkUseAlternateLocation->isChecked();
    m_edtQuillLocation->setEnabled(on);
    m_btnOK->setEnabled(!on || namesExistingFolder(m_edtQuillLocation->text()));
}

void TfrmOptions::edtQuillLocationChange() {
    if (m_chkUseAlternateLocation->isChecked())
        m_btnOK->setEnabled(namesExistingFolder(m_edtQuillLocation->text()));
}

void TfrmOptions::btnStorageDirClick() {
    const QString typed = m_edtQuillLocation->text();
    const QString initial = namesExistingFolder(typed) ? typed : m_folderInUse;
    const std::optional<QString> chosen =
        m.prompts.chooseFolder(QStringLiteral("Quillnote Notes Location"), initial);
    if (!chosen)
        return;
    QString folder = *chosen;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    m_edtQuillLocation->setText(folder);
}

OptionsChoice TfrmOptions::choice() const {
    OptionsChoice c;
    c.startMinimized = m_chkStartMinimized->isChecked();
    c.autoStart = m_chkAutoStart->isChecked();
    c.checkForUpdatesOnStartup = m_chkCheckUpdatesOnStartup->isChecked();
    c.useAlternateLocation = m_chkUseAlternateLocation->isChecked();
    c.location = m_edtQuillLocation->text();
    c.checkSpellingOnSave = m_chkSpellCheckSave->isChecked();
    // A picker without entries keeps the stored language.
    const int language = m_cboSpellCheck->currentIndex();
    c.spellCheckerLanguage = language >= 0 ? language : m.settings.spellCheckerLanguage;
    c.loadNotesOnSearch = m_chkLoadNotesOnSearch->isChecked();
    c.closeOnMenuOnly = m_chkCloseFromMenuOnly->isChecked();
    c.confirmOnDelete = m_chkConfirmOnDelete->isChecked();
    return c;
}
