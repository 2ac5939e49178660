#include "OptionsDialog.h"

#include "controls/DesktopFont.h"
#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"
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

const QString UnitName = LogUnit::Options;
const QString LanguageHint =
    QStringLiteral("Specify the language to be used when checking for spelling errors.");

QCheckBox* checkBox(const char* name, const char* caption, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

} // namespace

template <typename Work> void OptionsDialog::guard(QLatin1String method, Work&& work) {
    guarded(m.log, UnitName, QString(method), LogMode::Loud, std::forward<Work>(work));
}

OptionsDialog::OptionsDialog(OptionsDialogContext context, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m(std::move(context)) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Quillnote Options"));
    setModal(true);
    setFont(desktopFont());
    buildLayout();
    showChoices();
}

void OptionsDialog::buildLayout() {
    m_optionsGroup = new QGroupBox(QStringLiteral(" Quillnote Options "), this);
    m_optionsGroup->setObjectName(QStringLiteral("optionsGroup"));
    QWidget* g = m_optionsGroup;

    m_startMinimizedBox = checkBox("chkStartMinimized", "Start Minimized", g);
    m_autoStartBox = checkBox("chkAutoStart", "Start Quillnote when I log in", g);
    m_checkUpdatesBox = checkBox("chkCheckUpdatesOnStartup", "Check for Updates on Startup", g);
    m_alternateLocationBox =
        checkBox("chkUseAlternateLocation", "Use Alternate Location for Note Storage:", g);
    m_locationEdit = new QLineEdit(g);
    m_locationEdit->setObjectName(QStringLiteral("edtQuillLocation"));
    m_browseButton = new QPushButton(QStringLiteral("..."), g);
    m_browseButton->setObjectName(QStringLiteral("btnStorageDir"));
    m_browseButton->setAutoDefault(false);
    m_browseButton->setFixedWidth(25);
    m_spellCheckOnSaveBox = checkBox("chkSpellCheckSave", "Spell Check When Saving", g);
    m_spellCheckOnSaveBox->setToolTip(
        QStringLiteral("When checked, whenever you save a note or task, the title and body will "
                       "automatically be checked for spelling errors."));
    m_languageLabel = new QLabel(QStringLiteral("Local Language:"), g);
    m_languageLabel->setObjectName(QStringLiteral("languageLabel"));
    // Bound to the checker only once it shows the stored language (showChoices).
    m_languagePicker = new LanguagePicker(m.configuration, g);
    m_languagePicker->setObjectName(QStringLiteral("cboSpellCheck"));
    m_languagePicker->applyProgramLook();
    m_languagePicker->setFixedSize(215, 24);
    m_languagePicker->setToolTip(LanguageHint);
    m_languageLabel->setBuddy(m_languagePicker);
    m_loadNotesOnSearchBox = checkBox("chkLoadNotesOnSearch", "Load Notes on Search", g);
    m_closeFromMenuOnlyBox = checkBox("chkCloseFromMenuOnly", "Close from Menu Only", g);
    m_confirmDeleteBox = checkBox("chkConfirmOnDelete", "Confirm on Delete", g);

    auto* location = new QHBoxLayout;
    location->setContentsMargins(20, 0, 0, 0);
    location->addWidget(m_locationEdit, 1);
    location->addWidget(m_browseButton);
    auto* language = new QHBoxLayout;
    language->addWidget(m_languageLabel);
    language->addWidget(m_languagePicker);
    language->addStretch();

    auto* inside = new QVBoxLayout(m_optionsGroup);
    inside->addWidget(m_startMinimizedBox);
    inside->addWidget(m_autoStartBox);
    inside->addWidget(m_checkUpdatesBox);
    inside->addWidget(m_alternateLocationBox);
    inside->addLayout(location);
    inside->addWidget(m_spellCheckOnSaveBox);
    inside->addLayout(language);
    inside->addWidget(m_loadNotesOnSearchBox);
    inside->addWidget(m_closeFromMenuOnlyBox);
    inside->addWidget(m_confirmDeleteBox);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("btnOK"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("btnCancel"));
    m_cancelButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(m_optionsGroup);
    outer->addLayout(buttons);
    outer->setSizeConstraint(QLayout::SetFixedSize); // a dialog border: not sizable

    QWidget* order[] = {m_startMinimizedBox,    m_autoStartBox,     m_checkUpdatesBox,
                        m_alternateLocationBox, m_locationEdit,     m_browseButton,
                        m_spellCheckOnSaveBox,  m_languagePicker,   m_loadNotesOnSearchBox,
                        m_closeFromMenuOnlyBox, m_confirmDeleteBox, m_okButton,
                        m_cancelButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_alternateLocationBox, &QCheckBox::toggled, this,
            [this] { guard(LogRoutine::AlternateLocation, [&] { enableLocation(); }); });
    connect(m_locationEdit, &QLineEdit::textChanged, this,
            [this] { guard(LogRoutine::LocationEdited, [&] { checkLocation(); }); });
    connect(m_browseButton, &QPushButton::clicked, this,
            [this] { guard(LogRoutine::BrowseFolder, [&] { browseForFolder(); }); });
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void OptionsDialog::showChoices() {
    guard(LogRoutine::Create, [&] {
        const AppSettings& s = m.settings;
        m_startMinimizedBox->setChecked(s.startMinimized);
        m_autoStartBox->setChecked(m.autoStartOn); // what the desktop will do, not what was stored
        m_checkUpdatesBox->setChecked(s.checkForUpdatesOnStartup);
        m_loadNotesOnSearchBox->setChecked(s.loadNotesOnSearch);
        m_closeFromMenuOnlyBox->setChecked(s.closeOnMenuOnly);
        m_confirmDeleteBox->setChecked(s.confirmOnDelete);
        m_alternateLocationBox->setChecked(s.useAlternateLocation);
        m_locationEdit->setText(s.alternateLocation);
        m_locationEdit->setEnabled(m_alternateLocationBox->isChecked());
        m_folderInUse = storageFolderInUse(s);
        m_spellCheckOnSaveBox->setChecked(s.checkSpellingOnSave);
        m_languagePicker->setItemIndex(s.spellCheckerLanguage);
        m_languagePicker->setSpellChecker(m.checker); // from now on a choice applies at once
    });
}

void OptionsDialog::enableLocation() {
    const bool on = m_alternateLocationBox->isChecked();
    m_locationEdit->setEnabled(on);
    m_okButton->setEnabled(!on || namesExistingFolder(m_locationEdit->text()));
}

void OptionsDialog::checkLocation() {
    if (m_alternateLocationBox->isChecked())
        m_okButton->setEnabled(namesExistingFolder(m_locationEdit->text()));
}

void OptionsDialog::browseForFolder() {
    const QString typed = m_locationEdit->text();
    const QString initial = namesExistingFolder(typed) ? typed : m_folderInUse;
    const std::optional<QString> chosen =
        m.prompts.chooseFolder(QStringLiteral("Quillnote Notes Location"), initial);
    if (!chosen)
        return;
    QString folder = *chosen;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    m_locationEdit->setText(folder);
}

OptionsChoice OptionsDialog::choice() const {
    OptionsChoice c;
    c.startMinimized = m_startMinimizedBox->isChecked();
    c.autoStart = m_autoStartBox->isChecked();
    c.checkForUpdatesOnStartup = m_checkUpdatesBox->isChecked();
    c.useAlternateLocation = m_alternateLocationBox->isChecked();
    c.location = m_locationEdit->text();
    c.checkSpellingOnSave = m_spellCheckOnSaveBox->isChecked();
    // A picker without entries keeps the stored language.
    const int language = m_languagePicker->currentIndex();
    c.spellCheckerLanguage = language >= 0 ? language : m.settings.spellCheckerLanguage;
    c.loadNotesOnSearch = m_loadNotesOnSearchBox->isChecked();
    c.closeOnMenuOnly = m_closeFromMenuOnlyBox->isChecked();
    c.confirmOnDelete = m_confirmDeleteBox->isChecked();
    return c;
}
