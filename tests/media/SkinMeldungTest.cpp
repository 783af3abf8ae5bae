#include "core/GlobalState.h"
#include "media/picture/Picture.h"
#include "media/skin/Meldung.h"
#include "media/sound/TestAudioBackend.h"
#include "support/TestSupport.h"
#include "SoundTestWav.h"

#include <QLabel>
#include <QCoreApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// An exercise-like window: it starts its picture afresh when shown (a busy pattern) and then draws
// on it as the exercise goes on; it shows that picture.
class Canvas : public QWidget
{
public:
    Canvas()
    {
        setWindowFlag(Qt::FramelessWindowHint);
        setGeometry(0, 0, 800, 600);
    }
    // What the exercise draws: a mark around a point.
    QRect drawMark(QPoint centre)
    {
        QPainter p(&m_picture);
        const QRect mark(centre - QPoint(70, 30), QSize(140, 60));
        p.fillRect(mark, QColor(200, 0, 0));
        p.fillRect(mark.adjusted(30, 15, -30, -15), QColor(0, 0, 200));
        update();
        return mark;
    }
    const QImage& picture() const { return m_picture; }

protected:
    void showEvent(QShowEvent*) override
    {
        m_picture = QImage(size(), QImage::Format_RGB32);
        QPainter p(&m_picture);
        for (int y = 0; y < height(); y += 20)
            for (int x = 0; x < width(); x += 20)
                p.fillRect(x, y, 20, 20, QColor((x * 3) % 256, (y * 5) % 256, (x + y) % 256));
    }
    void paintEvent(QPaintEvent* e) override
    {
        QPainter p(this);
        p.drawImage(e->rect(), m_picture, e->rect());
    }

private:
    QImage m_picture;
};

class SkinMeldung : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(tree.root());
        g().loadedList.layout.backgroundColour = 0x00C08040;
        owner.show();
    }
    void TearDown() override { TFormMeldung::shownHook() = nullptr; }

    // Answers the next message window with the button of that name (or Escape when empty) and
    // lets `inspect` look at it first.
    void answer(const QString& button, std::function<void(TFormMeldung&)> inspect = {})
    {
        TFormMeldung::shownHook() = [button, inspect](TFormMeldung& w) {
            if (inspect)
                inspect(w);
            if (button.isEmpty())
                w.reject();
            else
                w.findChild<QPushButton*>(button)->click();
        };
    }

    TempTree tree;
    TestAudioBackend audio;
    Canvas owner;
};

} // namespace

TEST_F(SkinMeldung, ReturnsTheAnswerAndLeavesTheOwnerAsItWas)
{
    const struct {
        bool yesNo;
        const char* click;
        dialogs::Button result;
    } cases[] = {
        {true, "B_ja", dialogs::Button::Yes},
        {true, "B_nein", dialogs::Button::No},
        {true, "", dialogs::Button::No},   // Escape
        {false, "B_ok", dialogs::Button::Ok},
        {false, "", dialogs::Button::Ok},
    };
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    // Where the message will lie: the middle of the screen.
    const QRect mark = owner.drawMark(owner.mapFromGlobal(owner.screen()->geometry().center()));
    QCoreApplication::processEvents();
    // What the window shows, mark included.
    auto shown = [&] { return owner.screen()->grabWindow(owner.winId()).toImage().convertToFormat(QImage::Format_RGB32); };
    const QImage before = shown();
    ASSERT_EQ(before.size(), owner.size());
    ASSERT_EQ(before.pixel(mark.center()), qRgb(0, 0, 200)) << "the mark is on the screen";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.click) + (c.yesNo ? " yes/no" : " ok"));
        QStringList visible;
        answer(QString::fromLatin1(c.click), [&](TFormMeldung& w) {
            for (QPushButton* b : {w.B_ja, w.B_nein, w.B_ok})
                if (b->isVisible())
                    visible << b->objectName() + "=" + b->text();
            EXPECT_TRUE(w.geometry().contains(QRect(owner.mapToGlobal(mark.topLeft()), mark.size())))
                << "the message lies on the mark";
        });
        EXPECT_EQ(ShowMessageWindow(QStringLiteral("Weiter so?"), &owner, c.yesNo), c.result);
        EXPECT_EQ(visible, c.yesNo ? QStringList({"B_ja=&Ja", "B_nein=&Nein"}) : QStringList({"B_ok=&OK"}));
        QCoreApplication::processEvents();
        EXPECT_EQ(shown(), before) << "the owner is restored pixel for pixel, with what it had drawn";
        EXPECT_EQ(owner.grab().toImage().convertToFormat(QImage::Format_RGB32), before);
    }
}

TEST_F(SkinMeldung, PanelLiesLightenedOnACopyOfTheOwner)
{
    const QString sound = tree.write("INTERN/Sound/meldung.wav", testwav::monoTone(10));
    g().config.tonMeldung = sound;
    const QImage ownerPixels = owner.grab().toImage();
    bool checked = false;
    answer("B_ok", [&](TFormMeldung& w) {
        checked = true;
        EXPECT_EQ(w.L_meldung->text(), QStringLiteral(" Die Liste ist leer. "));
        EXPECT_EQ(w.L_meldung->font().pixelSize(), 43);
        EXPECT_EQ(w.B_ok->font().pixelSize(), 33);
        EXPECT_EQ(w.B_ok->size(), QSize(200, 60));
        EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(w.isModal());
        EXPECT_TRUE(w.panelRect().contains(w.B_ok->geometry())) << "the buttons lie on the panel";
        EXPECT_TRUE(w.panelRect().contains(w.L_meldung->geometry()));
        const QImage shown = w.grab().toImage();
        const QPoint origin = w.pos() - owner.pos();
        auto ownerAt = [&](QPoint p) { return picture::fromQColor(QColor(ownerPixels.pixel(origin + p))); };
        // Outside the panel and its shadow: the owner's own pixels.
        const QPoint outside(3, 3);
        EXPECT_EQ(picture::fromQColor(QColor(shown.pixel(outside))), ownerAt(outside));
        // Inside the panel: the owner lightened by 85 %.
        const QPoint inside = w.panelRect().topLeft() + QPoint(5, 5);
        EXPECT_EQ(picture::fromQColor(QColor(shown.pixel(inside))), picture::LightenColour(ownerAt(inside), 85));
        // Right of the panel: the shadow darkens the owner.
        const QPoint shade(w.panelRect().right() + 1, w.panelRect().center().y());
        EXPECT_EQ(picture::fromQColor(QColor(w.background().pixel(shade))), picture::MixColour(ownerAt(shade), 0, 30));
    });
    EXPECT_EQ(ShowMessageWindow(QStringLiteral("Die Liste ist leer."), &owner, false), dialogs::Button::Ok);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(audio.log().contains("oneshot " + sound)) << audio.log().join("; ").toStdString();
}

TEST_F(SkinMeldung, NoticesArriveWhileOpen)
{
    // An event posted to the owner before the window opens is delivered while it is open.
    struct Receiver : QObject {
        int got = 0;
        bool event(QEvent* e) override
        {
            if (e->type() == QEvent::User)
                ++got;
            return QObject::event(e);
        }
    } receiver;
    int seen = -1;
    TFormMeldung::shownHook() = [&](TFormMeldung& w) {
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        QTimer::singleShot(0, &w, [&seen, &receiver, &w] {
            seen = receiver.got;
            w.B_ok->click();
        });
    };
    ShowMessageWindow(QStringLiteral("x"), &owner, false);
    EXPECT_EQ(seen, 1);
}

TEST_F(SkinMeldung, PictureMessageSizes)
{
    QImage pic(300, 80, QImage::Format_RGB32);
    pic.fill(QColor(200, 0, 0));
    const QString file = tree.path("bild.bmp");
    ASSERT_TRUE(pic.save(file, "BMP"));
    const struct {
        QString file;
        bool yesNo;
        QSize client;
        bool picture;
    } cases[] = {
        {file, false, QSize(340, 80 + 100 + 60), true},
        {tree.path("fehlt.bmp"), false, QSize(240, 100), false},  // 40 x 100, widened for its button
        {tree.path("fehlt.bmp"), true, QSize(460, 100), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        bool checked = false;
        answer(c.yesNo ? "B_ja" : "B_ok", [&](TFormMeldung& w) {
            checked = true;
            EXPECT_EQ(w.size(), c.client);
            EXPECT_EQ(w.hasPicture(), c.picture);
            EXPECT_FALSE(w.L_meldung->isVisible());
            QPushButton* b = c.yesNo ? w.B_ja : w.B_ok;
            EXPECT_EQ(b->geometry().bottom(), c.client.height() - 25 - 1) << "25 pixels above the bottom";
            EXPECT_TRUE(w.rect().contains(b->geometry()));
            if (c.picture) {
                EXPECT_EQ(w.background().pixel(20, 20) & 0xFFFFFF, 0xC80000u);
                EXPECT_EQ(w.background().pixel(319, 99) & 0xFFFFFF, 0xC80000u);
                EXPECT_NE(w.background().pixel(20, 101) & 0xFFFFFF, 0xC80000u);
            }
        });
        EXPECT_EQ(ShowPictureMessage(c.file, &owner, c.yesNo), c.yesNo ? dialogs::Button::Yes : dialogs::Button::Ok);
        EXPECT_TRUE(checked);
    }
}
