// The skinned buttons of every program, as the windows build them at 1024 x 768 and 1920 x 1080:
// the caption never lies on the symbol, the symbol is never cropped, the caption is never cut.
#include "core/Catalogue.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/Installation.h"
#include "data/PlayerList.h"
#include "data/PlayerOptions.h"
#include "exercises/Programs.h"
#include "media/skin/SkinButton.h"
#include "media/sound/Sound.h"
#include "media/sound/TestAudioBackend.h"
#include "results/Ergebnisse.h"
#include "shell/FormAlle.h"
#include "support/ModalWatch.h"
#include "support/DemoPlayer.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QDirIterator>
#include <gtest/gtest.h>

namespace {

// The box of the pixels that differ from the plain face (the yellow key pixels left out).
QRect inkBox(const QImage& face, int slotWidth)
{
    QRect box;
    const QRgb plain = QColor(picture::toQColor(kButtonFaceColour)).rgb() & 0xFFFFFF;
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < slotWidth; ++x) {
            const QRgb c = face.pixel(x, y) & 0xFFFFFF;
            if (c == plain || (x == 0 && y == face.height() - 1))
                continue;
            box = box.united(QRect(x, y, 1, 1));
        }
    return box;
}

QString firstListOf(int code)
{
    QDirIterator it(catalogue::listFolder(code), {QStringLiteral("*.txt")}, QDir::Files, QDirIterator::Subdirectories);
    QStringList lists;
    while (it.hasNext())
        lists << it.next();
    lists.sort(Qt::CaseInsensitive);
    return lists.value(0);
}

class ButtonFacesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        openDemoAs(tree, QStringLiteral("Anna"), 0);
    }
    TempTree tree;
    TestAudioBackend audio;
};

TEST_F(ButtonFacesTest, CaptionsAndSymbolsNeverOverlapOnAnyProgramsButtons)
{
    const int codes[] = {101, 102, 201, 202, 203, 204, 301, 302, 303, 304, 305, 401, 402, 403, 404, 405, 406, 407, 408};
    int checked = 0, withPicture = 0;
    for (const int code : codes) {
        for (const QSize screen : {QSize(1024, 768), QSize(1920, 1080)}) {
            SCOPED_TRACE(std::to_string(code) + " at " + std::to_string(screen.width()) + "x" +
                         std::to_string(screen.height()));
            g().programCode = code;
            ReadPlayerOptions(QStringLiteral("Anna"), code);
            const QString list = firstListOf(code);
            ASSERT_FALSE(list.isEmpty());
            exercises::loadListFor(code, list);
            ModalWatch closer;  // messages at the start (none expected on the demo) are closed
            auto w = exercises::makeWindow(nullptr, code, list);
            ASSERT_TRUE(w);
            w->show();
            w->setGeometry(QRect(QPoint(0, 0), screen));
            QApplication::processEvents();
            for (QAbstractButton* b : w->findChildren<QAbstractButton*>()) {
                const SkinArgs a = SkinButtonArgs(b);
                if (a.slotCount == 0 || SkinFace(b).isNull())
                    continue;
                const QString name = b->objectName();
                SCOPED_TRACE(name.toStdString() + " \"" + a.caption.toStdString() + "\" " +
                             std::to_string(b->width()) + "x" + std::to_string(b->height()));
                const int W = b->width() - 4, H = b->height() - 4;
                const QImage picture = BuildButtonFace(b->size(), b->font(), name, a.pictureFile, a.caption, a.vAlign,
                                                       a.hAlign, a.textColour, 1, FacePart::PictureOnly);
                const QImage caption = BuildButtonFace(b->size(), b->font(), name, a.pictureFile, a.caption, a.vAlign,
                                                       a.hAlign, a.textColour, 1, FacePart::CaptionOnly);
                const QRect pic = inkBox(picture, W), text = inkBox(caption, W);
                ++checked;
                if (!pic.isEmpty()) {
                    ++withPicture;
                    // Whole: the symbol keeps a margin on every side.
                    EXPECT_GT(pic.left(), 0);
                    EXPECT_GT(pic.top(), 0);
                    EXPECT_LT(pic.right(), W - 1);
                    EXPECT_LT(pic.bottom(), H - 1);
                }
                if (!text.isEmpty()) {
                    EXPECT_GT(text.left(), 0) << "caption cut on the left";
                    EXPECT_LT(text.right(), W - 1) << "caption cut on the right";
                    EXPECT_LE(text.bottom(), H - 1);
                }
                if (!pic.isEmpty() && !text.isEmpty())
                    EXPECT_FALSE(pic.intersects(text))
                        << "symbol " << pic.x() << "," << pic.y() << " " << pic.width() << "x" << pic.height()
                        << " caption " << text.x() << "," << text.y() << " " << text.width() << "x" << text.height();
            }
            w->endRun();
            w.reset();
            ClearRunResults();
        }
    }
    EXPECT_GT(checked, 40);
    EXPECT_GT(withPicture, 30);
}

TEST_F(ButtonFacesTest, TheSoundProgramsShareOneBottomBar)
{
    // The listen panel (and "Prüfen" / "Weiter" on its place) in the middle of the bar, the folder
    // tabs inside the bar in its font, the task count whole, at both screen sizes.
    for (const int code : {401, 402, 403, 404, 405, 406}) {
        for (const QSize screen : {QSize(1024, 768), QSize(1920, 1080)}) {
            SCOPED_TRACE(std::to_string(code) + " at " + std::to_string(screen.width()));
            g().programCode = code;
            ReadPlayerOptions(QStringLiteral("Anna"), code);
            const QString list = firstListOf(code);
            exercises::loadListFor(code, list);
            ModalWatch closer;
            auto w = exercises::makeWindow(nullptr, code, list);
            w->show();
            w->setGeometry(QRect(QPoint(0, 0), screen));
            QApplication::processEvents();
            auto* frame = qobject_cast<TFormFormAlle*>(w.get());
            ASSERT_TRUE(frame);
            const QRect bar = frame->P_Leiste->geometry();
            const QRect panel = frame->P_hoeren->geometry();
            EXPECT_NEAR(panel.center().x(), bar.width() / 2, 3);
            for (const char* name : {"SB_weiter", "SB_fertig", "sb_fertig", "SB_Fertig", "SB_pruefen"})
                if (auto* b = frame->P_Leiste->findChild<QWidget*>(QLatin1String(name)))
                    EXPECT_EQ(b->geometry(), panel) << name;
            for (QAbstractButton* tab : w->findChildren<QAbstractButton*>()) {
                if (!tab->objectName().startsWith(QStringLiteral("TB_")) || tab->isHidden())
                    continue;
                const QRect r(tab->mapTo(w.get(), QPoint(0, 0)), tab->size());
                EXPECT_TRUE(frame->P_Leiste->geometry().contains(r)) << tab->objectName().toStdString();
                EXPECT_GE(tab->font().pixelSize(), frame->Chb_hintergrundbild->font().pixelSize());
                EXPECT_GE(r.height(), QFontMetrics(tab->font()).height());
            }
            frame->L_Aufgaben->setText(QStringLiteral("Aufgaben: 30 - bearbeitet: 12"));
            if (code >= 403 && code <= 405)
                EXPECT_GE(frame->L_Aufgaben->width(), frame->L_Aufgaben->sizeHint().width());
            w->endRun();
        }
    }
}

} // namespace
