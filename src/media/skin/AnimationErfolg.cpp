#include "media/skin/AnimationErfolg.h"

#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "media/picture/Picture.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
bool isFrameFile(const QString& name)
{
    static const QStringList kinds = {QStringLiteral(".WMF"), QStringLiteral(".BMP"), QStringLiteral(".JPG"),
                                      QStringLiteral(".GIF"), QStringLiteral(".EMF"), QStringLiteral(".JPEG")};
    return kinds.contains(fsys::extension(name).toUpper());
}
} // namespace

TFormAnimationErfolg::TFormAnimationErfolg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormAnimationErfolg"));
    setWindowTitle(QStringLiteral("Animation bei Erfolg"));
    setModal(true);

    auto* listLabel = new QLabel(QStringLiteral("vorhandene Animationen"), this);
    LB_animationen = new QListWidget(this);
    LB_animationen->setObjectName(QStringLiteral("LB_animationen"));
    auto* previewLabel = new QLabel(QStringLiteral("Vorschau:"), this);
    L_vorschau = new QLabel(this);
    L_vorschau->setObjectName(QStringLiteral("L_vorschau"));
    L_vorschau->setFixedSize(kPreviewWidth, kPreviewHeight);
    L_vorschau->setFrameShape(QFrame::Box);
    B_starten = new QPushButton(QStringLiteral("starten"), this);
    B_starten->setObjectName(QStringLiteral("B_starten"));
    B_ok = new QPushButton(QStringLiteral("OK - Übernehmen"), this);
    B_ok->setObjectName(QStringLiteral("B_ok"));
    B_abbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    B_abbrechen->setObjectName(QStringLiteral("B_abbrechen"));

    auto* left = new QVBoxLayout;
    left->addWidget(listLabel);
    left->addWidget(LB_animationen);
    auto* right = new QVBoxLayout;
    right->addWidget(previewLabel);
    right->addWidget(L_vorschau);
    right->addWidget(B_starten, 0, Qt::AlignLeft);
    right->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(right);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(B_ok);
    bottom->addWidget(B_abbrechen);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(bottom);

    m_timer = new QTimer(this);
    m_timer->setInterval(kFrameMs);
    connect(m_timer, &QTimer::timeout, this, [this] { nextFrame(); });
    connect(B_starten, &QPushButton::clicked, this, [this] { start(); });
    connect(B_ok, &QPushButton::clicked, this, [this] { accept(); });
    connect(B_abbrechen, &QPushButton::clicked, this, [this] { reject(); });
    connect(LB_animationen, &QListWidget::currentRowChanged, this, [this] { loadFrames(); });

    const QString current = g().loadedList.layout.animation;
    const QStringList folders =
        fsys::list(g().config.dirs.lobAnimation, QStringLiteral("*"), false, fsys::Entries::Dirs);
    LB_animationen->addItems(folders);
    for (int i = 0; i < folders.size(); ++i)
        if (!current.isEmpty() && folders[i].compare(current, Qt::CaseInsensitive) == 0) {
            LB_animationen->setCurrentRow(i);
            break;
        }
}

void TFormAnimationErfolg::loadFrames()
{
    m_timer->stop();
    m_frames.clear();
    m_shown = -1;
    L_vorschau->setPixmap(QPixmap());
    const QListWidgetItem* item = LB_animationen->currentItem();
    if (!item)
        return;
    const QString folder = fsys::withSlash(g().config.dirs.lobAnimation + item->text());
    for (const QString& file : fsys::list(folder, QStringLiteral("*"), true, fsys::Entries::Files)) {
        if (!isFrameFile(file))
            continue;
        picture::Target t(kPreviewWidth, kPreviewHeight, 0x00FFFFFF);
        picture::DrawPictureFitted(t, file, 0x00FFFFFF, 100, true, true, true);
        m_frames.push_back(t.image);
    }
    if (!m_frames.empty())
        showFrame(0);
}

void TFormAnimationErfolg::showFrame(int index)
{
    if (index < 0 || index >= int(m_frames.size()))
        return;
    m_shown = index;
    L_vorschau->setPixmap(QPixmap::fromImage(m_frames[size_t(index)]));
}

void TFormAnimationErfolg::start()
{
    if (m_frames.empty())
        return;
    showFrame(0);
    m_timer->start();
}

void TFormAnimationErfolg::nextFrame()
{
    if (m_frames.empty()) {
        m_timer->stop();
        return;
    }
    if (m_shown + 1 >= int(m_frames.size())) {
        // Every frame was shown: back to the first, at rest.
        m_timer->stop();
        showFrame(0);
        return;
    }
    showFrame(m_shown + 1);
}

void TFormAnimationErfolg::accept()
{
    if (const QListWidgetItem* item = LB_animationen->currentItem())
        g().loadedList.layout.animation = item->text();
    QDialog::accept();
}

void TFormAnimationErfolg::done(int r)
{
    m_timer->stop();
    m_frames.clear();
    QDialog::done(r);
}
