#pragma once
#include <QDialog>
#include <QImage>

class QLabel;
class QTextEdit;
class QPushButton;

// The info window: program name, version and the publisher's contact data with a web link.
class TForminfo : public QDialog
{
    Q_OBJECT
public:
    explicit TForminfo(QWidget* parent = nullptr);
    ~TForminfo() override;

    // Row (0-based) of the link: the last key containing "Internet", 6 when none does.
    static int linkRow(const QStringList& infoLines);
    int currentLinkRow() const { return m_linkRow; }
    bool showsHighlightedPicture() const { return m_highlighted; }
    QStringList labelLines() const;
    QStringList valueLines() const;
    QLabel* linkPanel() const { return Panel3; }
    QLabel* pictureBox() const { return Image1; }
    QPushButton* okButton() const { return B_ok; }
    QLabel* soundOutputLabel() const { return L_ton; }

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillContacts();
    void setPicture(bool highlighted);
    static void fillMemo(QTextEdit* memo, const QStringList& lines, Qt::Alignment align);

    QLabel* Image1;
    QLabel* L_progname;
    QLabel* L_version;
    QTextEdit* Memo1;
    QTextEdit* Memo2;
    QLabel* Panel3;
    QLabel* L_ton;  // which sound output the program uses
    QPushButton* B_ok;
    QImage m_normal, m_highlight;
    bool m_highlighted = false;
    bool m_hooked = false;
    int m_linkRow = 6;
    int m_lineHeight = 0;
};
