#pragma once
#include "core/OptionRecords.h"

#include <QDialog>
#include <QWidget>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QVBoxLayout;
class TWAV;

namespace options {

// What a page edits: the player options and the run-wide values that are not in the file.
struct PageValues {
    TOpt_allg options;
    bool hearAllAlternativesFirst = false;
    bool operator==(const PageValues&) const = default;
};

template <class T>
using Field = std::function<T&(TOpt_allg&)>;

// A set of radio buttons standing for one integer; a value that none stands for shows as the
// first choice at or above it (the last one above all).
class Choice
{
public:
    Choice(QWidget* parent, const QStringList& captions, const QList<int>& values);
    QList<QRadioButton*> buttons;
    QButtonGroup* group;
    QList<int> values;
    int value() const;
    void setValue(int v);
    // The value a choice shows for v.
    int normalised(int v) const;
    void setEnabled(bool on);
};

// A typed count with its list of offers. What is typed is checked when the field is left.
class CountField
{
public:
    QComboBox* box = nullptr;
    int committed = 0;   // the value held before the field was entered
    std::function<int(const QString& typed, int previous)> check;  // the value to keep
    std::function<int(int stored)> normalise;                        // the value a stored one shows as
    int value() const { return committed; }
    void setValue(int v);
    void commit();
    bool checking = false;
};

// The slider of a pause, with its marks in seconds below it.
class TimeSlider : public QWidget
{
public:
    TimeSlider(int maximum, const QList<std::pair<int, QString>>& marks, QWidget* parent);
    QSlider* slider = nullptr;
    int value() const;
    void setValue(int v);

protected:
    void paintEvent(QPaintEvent* e) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    void resizeEvent(QResizeEvent* e) override;

private:
    int markX(int position) const;
    QList<std::pair<int, QString>> m_marks;
};

// The base window of all option pages: the groups every program has (background picture, card
// backs, acoustic feedback), the OK / cancel bar, a sound player for the previews, and the
// bindings between controls and options that the page definitions add.
class TF_O_alle : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { Alone, Embedded };
    TF_O_alle(int programCode, Mode mode, QWidget* parent = nullptr);
    ~TF_O_alle() override;

    int programCode() const { return m_code; }
    Mode mode() const { return m_mode; }
    // " 1.1. Optionen für 'Merkfähigkeit - Bild' für " and the like, without the player.
    static QString captionFor(int programCode);
    // The page class that serves a program code ("TF_O_memory" for 305 and 407).
    static QString pageClassFor(int programCode);

    // Sets every control from the player options of the page's program.
    void LoadControls();
    // Writes every control back into the player options (memory only).
    void StoreControls();
    // Typed values not yet checked are checked now (as when their field is left).
    void commitEdits();
    // Whether the controls differ from what loading showed.
    bool changedSinceLoad();
    // Stores and writes the program's section when the page changed; false when the file could
    // not be written (the message has been shown).
    bool saveIfChanged();

    // The bottom bar (hidden when embedded).
    QWidget* P_unten = nullptr;
    QPushButton* BB_ok = nullptr;
    QPushButton* BB_abbrechen = nullptr;

    // The shared groups.
    QGroupBox* GB_hintergrund = nullptr;
    QCheckBox* Chb_hintergrundbild = nullptr;
    QGroupBox* GB_rueckseite = nullptr;
    QCheckBox* Chb_rueckseite = nullptr;
    QGroupBox* GB_akustisch = nullptr;
    QCheckBox* Chb_erfolg = nullptr;
    Choice* RG_erfolg = nullptr;
    QLineEdit* E_erfolgssound = nullptr;
    QPushButton* SB_erfolgssound = nullptr;
    QCheckBox* Chb_fehler = nullptr;
    Choice* RG_fehler = nullptr;
    QLineEdit* E_fehlersound = nullptr;
    QPushButton* SB_fehlersound = nullptr;
    QLabel* L_nach = nullptr;
    QComboBox* CB_erfolgauftreten = nullptr;

    TWAV& player() { return *m_player; }
    // Plays the names of a sound field from `folder`: one name alone when it exists, a list
    // queued in order without repeats.
    void previewSounds(const QString& text, const QString& folder);
    // The reply of the media insertion dialog for a sound field.
    void takeChosenSound(QLineEdit* field, const QString& path, const QString& folder);

    // ---- building a page (used by the page definitions) ----
    QGroupBox* addGroup(int column, const QString& title);
    QVBoxLayout* groupLayout(QGroupBox* g);
    void addToColumn(int column, QWidget* w);
    void bind(std::function<void(TOpt_allg&)> load, std::function<void(PageValues&)> store);
    // Runs after loading and after every change: enabled states and the like.
    void onRefresh(std::function<void()> f) { m_refresh.push_back(std::move(f)); }
    // Runs once after loading, before what loading showed is taken as the page's state.
    void afterLoad(std::function<void()> f) { m_afterLoad.push_back(std::move(f)); }
    void refresh();

    // A choice the page owns but binds itself (parts of a value made of several controls).
    Choice* newChoice(QWidget* parent, const QStringList& captions, const QList<int>& values);
    QCheckBox* check(QGroupBox* g, const QString& caption, Field<bool> f, const QString& name = QString());
    QCheckBox* checkInverse(QGroupBox* g, const QString& caption, Field<bool> f, const QString& name = QString());
    // An integer stored as 1 (checked) or 0.
    QCheckBox* checkInt(QGroupBox* g, const QString& caption, Field<qint32> f, const QString& name = QString());
    Choice* choice(QGroupBox* g, const QStringList& captions, const QList<int>& values, Field<qint32> f,
                   const QString& name = QString(), bool horizontal = false);
    Choice* choiceBool(QGroupBox* g, const QStringList& captions, Field<bool> f, const QString& name = QString(),
                       bool horizontal = true);
    // "zufällig" / "wie in Datei" for "Reihenfolge zufällig".
    Choice* randomOrder(QGroupBox* g, Field<bool> f);
    QComboBox* dropDown(QGroupBox* g, const QStringList& captions, const QList<int>& values, Field<qint32> f,
                        const QString& name = QString());
    CountField* count(QGroupBox* g, const QStringList& offers, Field<qint32> f, const QString& name,
                      std::function<int(const QString& typed, int previous)> check,
                      std::function<int(int stored)> normalise);
    // A count between min and max: a text that is no number shows `message` in the message window
    // and keeps the previous value; numbers outside are clamped.
    CountField* boundedCount(QGroupBox* g, int min, int max, Field<qint32> f, const QString& name);
    TimeSlider* timeSlider(QGroupBox* g, int maximum, const QList<std::pair<int, QString>>& marks, Field<qint32> f);
    QLabel* note(QGroupBox* g, const QString& text);
    // A heading count: "sichtbar" and the choice "1 mal" .. "immer" (0 unchecked, else index + 1).
    void headingCount(QGroupBox* g, Field<qint32> f, const QString& checkCaption = QStringLiteral("sichtbar"));
    // A sound list field with its play button; a double click chooses a file (insert mode).
    QLineEdit* soundField(QBoxLayout* into, Field<QStringList> f, int insertMode, const QString& name,
                          QPushButton** playButton = nullptr);

    struct FeedbackFields {
        Field<bool> successSound;
        Field<qint32> successSource;
        Field<QStringList> successText;
        Field<qint32> frequency;
        Field<bool> errorSound;         // empty: no error feedback on the page
        Field<qint32> errorSource;
        Field<QStringList> errorText;
        QList<int> successValues{0, 1, 2};
        QStringList successCaptions{QStringLiteral("immer gleich"), QStringLiteral("Sound aus Datei"),
                                    QStringLiteral("zufälliger Sound")};
    };
    static FeedbackFields feedbackOf(std::function<TOptFeedback&(TOpt_allg&)> f);
    // Binds and shows the shared groups the page uses.
    void useBackground(int column, Field<bool> f);
    void useCardBack(int column, Field<bool> f, const QString& caption = QStringLiteral("Rückseite sichtbar"));
    void useFeedback(int column, const FeedbackFields& f);
    // "nach " and the frequency choice, in a group of the page's own.
    void frequencyRow(QGroupBox* g, Field<qint32> f);

    // The folders of the two sound fields.
    static QString successFolder();
    static QString errorFolder();

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildShared();
    PageValues liveValues() const;
    void storeInto(PageValues& v);
    void apply(const PageValues& v);
    void chooseSound(QLineEdit* field);

    int m_code;
    Mode m_mode;
    std::unique_ptr<TWAV> m_player;
    QGridLayout* m_columns = nullptr;
    std::vector<QVBoxLayout*> m_column;
    std::vector<std::pair<std::function<void(TOpt_allg&)>, std::function<void(PageValues&)>>> m_bindings;
    std::vector<std::function<void()>> m_refresh;
    std::vector<std::function<void()>> m_afterLoad;
    std::vector<std::unique_ptr<Choice>> m_choices;
    std::vector<std::unique_ptr<CountField>> m_counts;
    struct SoundFieldInfo {
        QLineEdit* field;
        bool errorSounds;  // names below the `Fehlersound` folder, else below `LobSound`
        int insertMode;
    };
    std::vector<SoundFieldInfo> m_soundFields;
    PageValues m_shown;
    bool m_loading = false;
    bool m_refreshing = false;
    bool m_loaded = false;
};

// Adds the program's own groups to a page and decides which shared groups it shows.
void BuildPage(TF_O_alle& page);

} // namespace options

using options::TF_O_alle;
