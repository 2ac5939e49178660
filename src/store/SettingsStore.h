#pragma once

#include "platform/Registry.h"
#include "store/AppSettings.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

// A font style: any set of the four attributes.
struct FontStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const FontStyle&) const = default;
};

// Bold, underline and strike-out together has no code of its own. It is written as 15, which, like
// any code outside 0 to 14, leaves the style unchanged when read back.
inline constexpr int UncodedFontStyle = 15;

// The stored code of a style; UncodedFontStyle for bold, underline and strike-out.
int fontStyleCode(const FontStyle& style);
// The style of a stored code; none for a code outside 0 to 14.
std::optional<FontStyle> fontStyleFromCode(int code);

// Font colours are stored as 32-bit values 0x00BBGGRR. A high byte of 0xFF marks a system colour
// constant instead of a colour.
inline constexpr int WindowTextColourValue = int(0xFF000008u);
constexpr bool isSystemColourValue(int value) {
    return (quint32(value) >> 24) == 0xFFu;
}

enum class WindowState { Normal, Minimized, Maximized };

// The values applied to the main window directly. Each is empty when not present: for reading, the
// window keeps what it has; for writing, an empty value is a failure (fSize: the failure is ignored).
struct WindowSettings {
    std::optional<int> top;
    std::optional<int> left;
    std::optional<int> width;
    std::optional<int> height;
    std::optional<int> contentsHeight; // height of the content panel above the splitter
    std::optional<WindowState> windowState;
    std::optional<int> dateCreatedWidth;  // width of list column 0, "Date Created"
    std::optional<int> lastModifiedWidth; // width of list column 1, "Last Modified"
    std::optional<int> titleWidth;        // width of list column 2, "Title"
    std::optional<QString> fontFamily;    // font name of the title and body fields
    std::optional<int> fontColour;        // colourValue() of their font colour
    std::optional<int> fontSize;          // points
    std::optional<FontStyle> fontStyle;
};

// The quick-add window's bounds: x() is its left, y() its top.
using QuickAddBounds = QRect;

// The program's settings under SettingsKeyPath of a hive: read once at start-up, written at the end of
// the run; the quick-add window's bounds are read and written whenever that window opens and closes.
// Every failure is a QuillError; the caller logs it and goes on.
class SettingsStore {
public:
    explicit SettingsStore(RegistryHive hive);

    // Reads every value in its fixed order into `window` and `settings`, which hold the initial state.
    // Each missing window bound is written at once with its value in `current` (FormState with 0), so
    // that a first run leaves them stored. `checkForUpdatesNow` runs as soon as
    // CheckForUpdatesOnStartup has been read as true, before the later values are read; it should
    // process the pending events once after the check. `executableFolder` is where the notes file
    // goes when no stored folder exists.
    // A failure ends the reading at that value: the values before it are in the out-parameters, the
    // later ones keep their initial state, the writes made before it are kept on disk. A damaged or
    // unreadable file fails before anything is read, with a message naming it.
    // Values out of range: Width, Height, NotePanelHeight, column widths and fSize of 0 or less are
    // not applied; FormState other than 0 and 1 is maximized; SortToggle is taken by its sign (0 as 1);
    // SortColumn outside 0 to 3 is 0; SpellCheckerType outside 0 to 2 is 0 (no engine chosen);
    // SpellCheckerLanguage below 0 is 1; an fStyle code outside 0 to 14 and an empty Font are not
    // applied.
    void readSettings(WindowSettings& window, const WindowSettings& current, AppSettings& settings,
                      const QString& executableFolder, const std::function<void()>& checkForUpdatesNow);

    // Writes every value in its fixed order. A failure ends the writing at that value, keeps what was
    // written before it on disk, and is thrown; only the failure of fSize (a size below 1 point or
    // none, which no stored size can represent) is ignored and the old fSize stays. A missing Top or
    // Left (a window system that does not report positions) is skipped and the old one stays. A
    // damaged file is kept as "<file>.damaged" and a fresh one is written.
    void writeSettings(const WindowSettings& window, const AppSettings& settings);

    // The quick-add window's bounds: the stored ones or the defaults beside the bottom right corner.
    QuickAddBounds readQuickAdd(QSize designSize, QRect primaryScreen, QRect desktop) const;
    // Stores the window's bounds when it ended within the primary screen's right and bottom edges, the
    // defaults otherwise.
    void writeQuickAdd(QRect actual, QSize designSize, QRect primaryScreen, QRect desktop);
    // The default bounds: the design size, the right edge on the primary screen's right edge, the bottom
    // 35 pixels above the desktop's bottom edge. Edges are taken from the screens' own origins, so that
    // a primary screen that is not at 0,0 works too.
    static QuickAddBounds quickAddDefaults(QSize designSize, QRect primaryScreen, QRect desktop);

    // The values of AppSettings in their reading order (CheckForUpdatesOnStartup first), on an open key.
    static void readAppSettings(const RegistryKey& key, AppSettings& settings,
                                const QString& executableFolder,
                                const std::function<void()>& checkForUpdatesNow);

    const RegistryHive& hive() const { return m_hive; }

private:
    RegistryHive m_hive;
};
