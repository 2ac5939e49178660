#include "LanguagePicker.h"

#include "platform/QuillError.h"
#include "spell/engine/IspellCatalog.h"
#include "spell/engine/Languages.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellConfiguration.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>

// The pictures are compiled into a static library, which does not register them by itself.
static void registerSpellPictures() {
    Q_INIT_RESOURCE(spell);
}

namespace {

constexpr int ItemHeight = 18;
constexpr int EntryRole = Qt::UserRole + 1;

// The picture at +2,+1, the text behind it (8 pixels, or 2 more without a picture), 2 pixels down.
void drawEntry(QPainter& painter, const QRect& rect, const QPixmap& bitmap, const QString& text,
               const QColor& textColor) {
    painter.save();
    painter.setClipRect(rect);
    int left = rect.left() + 2;
    if (!bitmap.isNull()) {
        painter.drawPixmap(rect.left() + 2, rect.top() + 1, bitmap);
        left = rect.left() + bitmap.width() + 8;
    }
    painter.setPen(textColor);
    const QRect textRect(left, rect.top() + 2, std::max(0, rect.right() - left), rect.height() - 2);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
}

class EntryDelegate : public QStyledItemDelegate {
public:
    explicit EntryDelegate(LanguagePicker* picker) : QStyledItemDelegate(picker), m_picker(picker) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        // The style paints the background and the focus; the entry is drawn over it.
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        background.icon = QIcon();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : m_picker->style();
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

        const LanguageEntry* entry = m_picker->entry(index.row());
        const QPixmap bitmap = LanguagePicker::engineBitmap(entry ? entry->engineType : EngineType::Library);
        const bool selected = option.state & QStyle::State_Selected;
        const QColor color = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        painter->setFont(option.font);
        drawEntry(*painter, option.rect, bitmap, index.data(Qt::DisplayRole).toString(), color);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width() + 24, ItemHeight};
    }

private:
    LanguagePicker* m_picker;
};

} // namespace

LanguagePicker::LanguagePicker(const SpellConfiguration* configuration, QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new EntryDelegate(this));
    resize(215, 24);
    QFont arial = font();
    arial.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    setFont(arial);
    // The user's choice and any programmatic one both configure the checker.
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling) {
            applyCurrentEntry();
        }
    });
    if (configuration) {
        setConfiguration(configuration);
    }
}

LanguagePicker::~LanguagePicker() = default;

void LanguagePicker::applyProgramLook() {
    resize(215, 24);
    QFont verdana = font();
    verdana.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    verdana.setPixelSize(11);
    setFont(verdana);
    setToolTip(QStringLiteral("Specify the language to be used when checking for spelling errors."));
}

void LanguagePicker::setSpellChecker(SpellChecker* checker) {
    m_checker = checker;
    if (m_checker && m_configuration && count() == 0) {
        m_checker->setAvailable(false);
    }
    applyCurrentEntry();
}

void LanguagePicker::setConfiguration(const SpellConfiguration* configuration) {
    m_configuration = configuration;
    fill();
}

void LanguagePicker::setItemIndex(int index) {
    if (index < 0 || index >= count()) {
        index = -1;
    }
    if (index == currentIndex()) {
        applyCurrentEntry();
    } else {
        setCurrentIndex(index);
    }
}

const LanguageEntry* LanguagePicker::entry(int index) const {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    bool ok = false;
    const qsizetype position = itemData(index, EntryRole).toLongLong(&ok);
    if (!ok || position < 0 || position >= qsizetype(m_objects.size())) {
        return nullptr;
    }
    return m_objects[size_t(position)].get();
}

QPixmap LanguagePicker::engineBitmap(EngineType type) {
    static const bool registered = (registerSpellPictures(), true);
    Q_UNUSED(registered);
    return QPixmap(type == EngineType::Ispell ? QStringLiteral(":/spell/ISpellBitMap")
                                              : QStringLiteral(":/spell/MSWordBitMap"));
}

void LanguagePicker::addEntry(std::unique_ptr<LanguageEntry> entry, const QString& text) {
    m_objects.push_back(std::move(entry));
    addItem(text);
    setItemData(count() - 1, qlonglong(m_objects.size() - 1), EntryRole);
}

void LanguagePicker::fill() {
    m_filling = true;
    setUpdatesEnabled(false);
    clear();
    if (m_configuration) {
        // Proofing languages: the subkeys named by a locale number, from the last to the first.
        QStringList keys;
        try {
            keys = m_configuration->proofingLanguageKeys();
        } catch (const QuillError&) {
            // An unreadable hive lists no proofing language, like a missing key.
        }
        for (auto name = keys.crbegin(); name != keys.crend(); ++name) {
            bool isNumber = false;
            const uint language = name->toUInt(&isNumber, 10);
            if (!isNumber || language > 0xFFFF) {
                continue;
            }
            auto office = std::make_unique<LanguageEntry>();
            office->language = LanguageId(language);
            office->engineType = EngineType::Library;
            // An identifier the locale data does not know is shown by its number, not as a blank row.
            const QString text = languageName(office->language, m_langOption);
            addEntry(std::move(office), text.isEmpty() ? *name : text);
        }
        // ispell dictionaries, one per section of each folder's ispell.ini.
        for (const IspellSection& section : IspellCatalog::scan(m_configuration->ispellDirectory())) {
            auto ispell = std::make_unique<LanguageEntry>();
            ispell->cmd = section.cmd;
            ispell->charset = section.charset;
            ispell->surrogate = section.surrogate;
            ispell->flag = section.flag;
            ispell->language = section.language;
            ispell->engineType = EngineType::Ispell;
            QString text = section.language != 0 ? languageName(section.language, m_langOption) : QString();
            if (text.isEmpty()) {
                text = section.name;
            }
            addEntry(std::move(ispell), text);
        }
    }
    setUpdatesEnabled(true);
    m_filling = false;
    if (count() == 0) {
        if (m_checker) {
            m_checker->setAvailable(false);
        }
        return;
    }
    setItemIndex(0);
}

void LanguagePicker::applyCurrentEntry() {
    const LanguageEntry* current = entry(currentIndex());
    if (!m_checker || !current) {
        return;
    }
    try {
        m_checker->setSection(current->cmd, current->charset, current->surrogate, current->flag);
        m_checker->setLanguage(current->language);
        m_checker->setEngineType(current->engineType);
        m_checker->setLanguageText(currentText());
        m_checker->setLanguageNameForm(m_langOption);
    } catch (...) {
        // A checker that cannot take the language keeps its previous one; choosing stays possible.
    }
}

void LanguagePicker::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const LanguageEntry* current = entry(currentIndex());
    if (!current) {
        return;
    }
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    drawEntry(painter, field, engineBitmap(current->engineType), currentText(),
              palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
}
