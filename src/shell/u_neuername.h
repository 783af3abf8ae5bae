#pragma once
#include <QComboBox>
#include <QDialog>
#include <optional>

class QLabel;
class QPushButton;
class QWidget;

// The reference-player box: tells when its list closes, so the focus can go to "&JA".
class TRefPlayerCombo : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void hidePopup() override;
signals:
    void popupClosed();
};

// The question that creates a new player from the options of an existing one.
class TFormneuername : public QDialog
{
    Q_OBJECT
public:
    TFormneuername(const QString& newName, QWidget* parent = nullptr);
    ~TFormneuername() override;

    // yes (with the reference player) or cancel (nullopt).
    static std::optional<QString> AskNewPlayer(const QString& newName, QWidget* parent = nullptr);

    QString referencePlayer() const;
    QString question() const;
    // " Soll der Spieler NAME mit Einstellungen von REF hinzugefügt werden?", both names in capitals;
    // split after the first name when the line does not fit `width` in `fm`.
    static QString questionText(const QString& newName, const QString& reference, const QFontMetrics& fm,
                                int width);
    bool referenceShown() const;

    QLabel* L_frage;
    QPushButton* B_ja;
    QPushButton* B_nein;
    QPushButton* B_abbrechen;
    QWidget* P_auswahl;
    QLabel* L_auswahl;
    TRefPlayerCombo* CB_spieler;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void updateQuestion();
    void showReferenceChoice();
    void centreOnScreen();
    QString m_newName;
};
