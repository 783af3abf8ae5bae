// A look at the skinned parts side by side: run with
//   --gtest_also_run_disabled_tests --gtest_filter='SkinSheet*'
// and view /tmp/skin-sheet.png.
#include "core/GlobalState.h"
#include "media/picture/Picture.h"
#include "media/skin/Cursors.h"
#include "media/skin/Frames.h"
#include "media/skin/Meldung.h"
#include "media/skin/SkinButton.h"
#include "support/TestSupport.h"

#include <QPainter>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(SkinSheet, DISABLED_Render)
{
    const QString pictures = sourceDir() + "/demo/Material/Bilder/";
    QImage sheet = picture::NewBitmap(1200, 1000, 0x7B8858);
    QPainter p(&sheet);
    QFont font(QStringLiteral("Comic Sans MS"));
    font.setPointSize(40);

    int x = 10;
    auto place = [&](const QImage& img, int y) {
        p.drawImage(x, y, img);
        x += img.width() + 10;
    };
    // Button faces.
    place(BuildButtonFace(QSize(164, 84), font, "B_weiter", QString(), "Weiter", 2, 1, 0, 1), 10);
    place(BuildButtonFace(QSize(164, 84), font, "B_spiel", QString(), "Spiel", 2, 1, 0, 1), 10);
    place(BuildButtonFace(QSize(164, 124), font, "SB_nichtgleich", QString(), "Das Gehörte ist #10#13nicht#10#13gleich!",
                          0, 1, 0, 1), 10);
    place(BuildButtonFace(QSize(124, 124), font, "SB_richtig", pictures + "Igel.gif", "rich#10#13tig", 0, 1, 0, 1), 10);
    place(BuildButtonFace(QSize(124, 124), font, "SB_hoeren", pictures + "Spiegel.wmf", "Hören", 2, 1, 0x800000, 3), 10);
    x = 10;
    // A real button in its states.
    for (int state = 0; state < 3; ++state) {
        QPushButton b;
        b.setObjectName("B_x");
        b.resize(164, 84);
        b.setFont(font);
        b.setCheckable(true);
        SkinButton(&b, pictures + "Birne.gif", "Birne", 2, 1, 0x000080, 3);
        b.setEnabled(state != 1);
        b.setDown(state == 2);
        place(b.grab().toImage(), 150);
    }
    // Round and sound buttons.
    for (const picture::Colour c : {0x0000C0, 0xB2E6E6, 0xFFFFFF, 0x40A040}) {
        const picture::Target t = DrawRoundButton(80, 80, c);
        place(picture::ShownImage(t), 150);
    }
    picture::Target sb;
    DrawSoundButton(sb, 100, 0x30C0F0, pictures + "Kaese.gif");
    place(picture::ShownImage(sb), 150);
    // Frames.
    x = 10;
    QImage frames = picture::NewBitmap(1180, 260, 0xC0D8F0);
    DrawShadowFrame(frames, QRect(20, 20, 220, 200), 10);
    DrawEmbossFrame(frames, QRect(300, 30, 200, 180), 10, false);
    DrawCardFrame(frames, QRect(540, 10, 240, 230), 10, nullptr, QRect(), 8, true, true, 0xE0E0E0);
    DrawCardFrame(frames, QRect(800, 10, 200, 230), 10, nullptr, QRect(), 8, true, false, 0xE0E0E0);
    DrawBevelFrame(frames, QRect(1020, 20, 140, 200), 0x808080, 3, true);
    place(frames, 280);
    // A message window over a picture.
    QWidget owner;
    owner.setWindowFlag(Qt::FramelessWindowHint);
    owner.setGeometry(0, 0, 800, 600);
    owner.setAutoFillBackground(true);
    QPalette pal;
    picture::Target back(800, 600, 0x30A0C0);
    picture::CoverPicture(back, pictures + "Igel.gif", 0x30A0C0, false);
    pal.setBrush(QPalette::Window, QPixmap::fromImage(back.image));
    owner.setPalette(pal);
    owner.show();
    g().loadedList.layout.backgroundColour = 0x30A0C0;
    QImage shot;
    TFormMeldung::shownHook() = [&](TFormMeldung& w) {
        shot = owner.grab().toImage();
        QPainter sp(&shot);
        sp.drawImage(w.pos() - owner.pos(), w.grab().toImage());
        sp.end();
        w.B_ja->click();
    };
    ShowMessageWindow("Die Datei ist vollständig bearbeitet! Von vorne beginnen?", &owner, true);
    TFormMeldung::shownHook() = nullptr;
    x = 10;
    place(shot.scaled(600, 450, Qt::KeepAspectRatio, Qt::SmoothTransformation), 550);
    // The cursors, twice their size on white.
    QImage cursors = picture::NewBitmap(200, 300, 0xFFFFFF);
    {
        QPainter cp(&cursors);
        int i = 0;
        for (const int n : {22, 23, 18, 12, 24, 7}) {
            const QPixmap pm = cursorPicture(n);
            cp.drawPixmap(QRect((i % 3) * 66, (i / 3) * 70, 64, 64), pm);
            cp.drawPixmap((i % 3) * 66, 150 + (i / 3) * 40, pm);
            ++i;
        }
    }
    place(cursors, 550);
    p.end();
    ASSERT_TRUE(sheet.save("/tmp/skin-sheet.png"));
}
