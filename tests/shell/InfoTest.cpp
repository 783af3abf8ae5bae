#include "core/GlobalState.h"
#include "shell/info.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {
class InfoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetToInstallation(t.root());
        QImage red(40, 25, QImage::Format_RGB32), blue(40, 25, QImage::Format_RGB32);
        red.fill(Qt::red);
        blue.fill(Qt::blue);
        // Raster pictures are drawn transparent: the bottom-left pixel's colour is the key.
        red.setPixel(0, 24, qRgb(255, 255, 255));
        blue.setPixel(0, 24, qRgb(255, 255, 255));
        t.mkdir("INTERN/Bilder");
        red.save(t.path("INTERN/Bilder/s1.bmp"), "BMP");
        blue.save(t.path("INTERN/Bilder/s2.bmp"), "BMP");
        g().config.startbild1 = t.path("INTERN/Bilder/s1.bmp");
        g().config.startbild2 = t.path("INTERN/Bilder/s2.bmp");
    }
    static void move(QWidget* over)
    {
        const QPointF local(over->width() / 2.0, over->height() / 2.0);
        QMouseEvent e(QEvent::MouseMove, local, over->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(over, &e);
    }
    static QColor shownCentre(TForminfo& info)
    {
        const QImage img = info.pictureBox()->pixmap().toImage();
        return QColor(img.pixel(img.width() / 2, img.height() / 2));
    }
    TempTree t;
};
} // namespace

TEST_F(InfoTest, LinkRowIsTheLastInternetKey)
{
    const struct {
        QStringList lines;
        int row;
    } cases[] = {
        {{}, 6},
        {{"a=1", "b=2", "c=3", "d=4", "e=5", "f=6", "Internet=www"}, 6},
        {{"a=1", "b=2", "Internet:=alt", "d=4", "e=5", "f=6", "Internetseite=www"}, 6},
        {{"Internet=www", "b=2"}, 0},
        {{"a=1", "b=2"}, 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TForminfo::linkRow(c.lines), c.row) << c.lines.join(",").toStdString();
}

TEST_F(InfoTest, WithoutInfoSectionTheDesignLinesStayAndTheLinkIsInRowSix)
{
    TForminfo info;
    const QStringList labels = info.labelLines();
    ASSERT_EQ(labels.size(), 7);
    EXPECT_EQ(labels[6], "Internet:");
    EXPECT_EQ(labels[3], "");
    EXPECT_EQ(labels[5], " ");
    EXPECT_EQ(info.currentLinkRow(), 6);
    EXPECT_EQ(info.linkPanel()->text(), info.valueLines()[6]);
    EXPECT_TRUE(info.linkPanel()->text().startsWith("https://"));
}

TEST_F(InfoTest, InfoLinesFillTheTableAndPlaceTheLink)
{
    g().config.infoLines = {"Verlag=Hörwerk", "Straße=Weg 1", "Ort=Stadt", "Telefon=0123", "leer1=Zusatz",
                            "Internet alt=alt.example", "Internet=www.example.org"};
    TForminfo info;
    EXPECT_EQ(info.labelLines(), (QStringList{"Verlag", "Straße", "Ort", "Telefon", "", "Internet alt", "Internet"}));
    EXPECT_EQ(info.valueLines()[4], "Zusatz");
    EXPECT_EQ(info.currentLinkRow(), 6);
    EXPECT_EQ(info.linkPanel()->text(), "www.example.org");
    EXPECT_EQ(info.linkPanel()->toolTip(), "www.example.org");

    auto* values = info.findChildren<QTextEdit*>().value(1);
    ASSERT_NE(values, nullptr);
    const int lineHeight = QFontMetrics(values->font()).height();
    EXPECT_EQ(info.linkPanel()->y(), 6 * lineHeight + values->y() + 2);
    EXPECT_EQ(info.linkPanel()->x(), values->x() + 2);
}

TEST_F(InfoTest, PictureHighlightsUnderThePointerAndSwapsBack)
{
    TForminfo info;
    info.show();
    QApplication::processEvents();
    EXPECT_EQ(shownCentre(info), QColor(Qt::red));
    EXPECT_FALSE(info.showsHighlightedPicture());

    move(info.pictureBox());
    EXPECT_TRUE(info.showsHighlightedPicture());
    EXPECT_EQ(shownCentre(info), QColor(Qt::blue));

    move(info.findChildren<QTextEdit*>().value(1)->viewport());
    EXPECT_FALSE(info.showsHighlightedPicture());
    EXPECT_EQ(shownCentre(info), QColor(Qt::red));

    // Over the link the text turns navy.
    move(info.linkPanel());
    EXPECT_EQ(info.linkPanel()->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    move(info.okButton());
    EXPECT_EQ(info.linkPanel()->palette().color(QPalette::WindowText), QColor(Qt::black));
    info.okButton()->click();
    EXPECT_EQ(info.result(), QDialog::Accepted);
}
