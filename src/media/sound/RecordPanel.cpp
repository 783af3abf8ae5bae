#include "media/sound/RecordPanel.h"

#include "core/Dialogs.h"
#include "core/FileProblems.h"
#include "core/FileSystem.h"
#include "media/sound/Sound.h"
#include "media/sound/VoiceTake.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTimer>
#include <QVBoxLayout>
#include <cerrno>

void LevelMeter::setLevel(float level)
{
    level = std::clamp(level, 0.0f, 1.0f);
    if (level != m_level) {
        m_level = level;
        update();
    }
}

void LevelMeter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.fillRect(r, QColor(40, 40, 40));
    const int w = int(r.width() * m_level);
    // Three zones, so a glance tells too quiet, right and too loud.
    const int yellowAt = int(r.width() * 0.7), redAt = int(r.width() * 0.95);
    p.fillRect(QRect(r.left(), r.top(), std::min(w, yellowAt), r.height()), QColor(60, 190, 70));
    if (w > yellowAt)
        p.fillRect(QRect(r.left() + yellowAt, r.top(), std::min(w, redAt) - yellowAt, r.height()), QColor(235, 200, 40));
    if (w > redAt)
        p.fillRect(QRect(r.left() + redAt, r.top(), w - redAt, r.height()), QColor(220, 50, 40));
    p.setPen(QColor(120, 120, 120));
    p.drawRect(r);
}

TFormAufnahme::TFormAufnahme(const QString& word, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Aufnahme"));
    auto* hint = new QLabel(requestText(word), this);
    hint->setWordWrap(true);
    levelMeter = new LevelMeter(this);
    L_dauer = new QLabel(this);
    L_dauer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Room for the longest time shown, so "60.0 s" is never cut.
    L_dauer->setMinimumWidth(L_dauer->fontMetrics().horizontalAdvance(QStringLiteral("60.0 s")) + 8);
    B_aufnehmen = new QPushButton(QStringLiteral("Aufnehmen"), this);
    B_stopp = new QPushButton(QStringLiteral("Stopp"), this);
    B_anhoeren = new QPushButton(QStringLiteral("Anhören"), this);
    B_uebernehmen = new QPushButton(QStringLiteral("Übernehmen"), this);
    B_abbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
    B_aufnehmen->setDefault(true);

    auto* meterRow = new QHBoxLayout;
    meterRow->addWidget(levelMeter, 1);
    meterRow->addWidget(L_dauer);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {B_aufnehmen, B_stopp, B_anhoeren, B_uebernehmen, B_abbrechen})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addLayout(meterRow);
    layout->addLayout(buttons);

    connect(B_aufnehmen, &QPushButton::clicked, this, &TFormAufnahme::startClick);
    connect(B_stopp, &QPushButton::clicked, this, &TFormAufnahme::stopClick);
    connect(B_anhoeren, &QPushButton::clicked, this, &TFormAufnahme::playClick);
    connect(B_uebernehmen, &QPushButton::clicked, this, &TFormAufnahme::keepClick);
    connect(B_abbrechen, &QPushButton::clicked, this, &TFormAufnahme::reject);
    m_timer = new QTimer(this);
    m_timer->setInterval(40);
    connect(m_timer, &QTimer::timeout, this, &TFormAufnahme::tick);
    showState();
}

TFormAufnahme::~TFormAufnahme() { m_capture.stop(); }

QString TFormAufnahme::requestText(const QString& word)
{
    const QString w = word.simplified();
    if (w.isEmpty())
        return QStringLiteral("Sprechen Sie deutlich ins Mikrofon.");
    const QString what = w.contains(QLatin1Char(' ')) ? QStringLiteral("den Text") : QStringLiteral("das Wort");
    return QStringLiteral("Sprechen Sie %1 \u201E%2\u201C deutlich ins Mikrofon.").arg(what, w);
}


std::optional<std::vector<std::int16_t>> TFormAufnahme::Record(QWidget* parent, const QString& word)
{
    TFormAufnahme panel(word, parent);
    if (panel.exec() != QDialog::Accepted)
        return std::nullopt;
    return panel.take();
}

void TFormAufnahme::showState()
{
    const bool recording = m_capture.running();
    const bool haveTake = !recording && !m_raw.empty();
    B_aufnehmen->setText(haveTake ? QStringLiteral("Neu aufnehmen") : QStringLiteral("Aufnehmen"));
    B_aufnehmen->setEnabled(!recording);
    B_stopp->setEnabled(recording);
    B_anhoeren->setEnabled(haveTake);
    B_uebernehmen->setEnabled(haveTake);
    const double seconds = recording ? m_capture.seconds() : double(m_raw.size()) / Capture::kRate;
    L_dauer->setText(QStringLiteral("%1 s").arg(seconds, 0, 'f', 1));
}

void TFormAufnahme::startClick()
{
    StopWaveFiles();
    m_raw.clear();
    QString error;
    if (!m_capture.start(&error)) {
        dialogs::error(this, error);
        showState();
        return;
    }
    m_timer->start();
    showState();
}

void TFormAufnahme::stopClick()
{
    if (!m_capture.running())
        return;
    m_timer->stop();
    m_raw = m_capture.samples();
    m_capture.stop();
    levelMeter->setLevel(0.0f);
    showState();
}

void TFormAufnahme::tick()
{
    levelMeter->setLevel(m_capture.level());
    if (m_capture.seconds() >= Capture::kMaxSeconds)
        stopClick();
    else
        showState();
}

void TFormAufnahme::playClick()
{
    const auto prepared = voice::Prepare(m_raw);
    const QByteArray bytes = voice::WaveBytes(prepared ? *prepared : m_raw);
    StopWaveFiles();
    // A file of the system's temporary folder: an installation need not have a TEMP folder, and a
    // shared one would mix the takes of several workstations.
    m_preview = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/kalimo-aufnahme-XXXXXX.wav"));
    QString problem;
    if (!m_preview->open()) {
        problem = m_preview->errorString();
    } else {
        // The name stays reserved until the panel closes; the take goes in whole.
        m_preview->close();
        errno = 0;
        if (!fsys::writeFileAtomic(m_preview->fileName(), bytes))
            problem = fileproblems::errorText(errno ? errno : EIO);
    }
    if (problem.isEmpty() && !PlayWaveFile(m_preview->fileName(), false, true))
        problem = QStringLiteral("Die Tonausgabe hat die Datei nicht abgespielt.");
    if (!problem.isEmpty())
        dialogs::error(this, QStringLiteral("Die Aufnahme kann nicht abgespielt werden.\n\n(") + problem +
                                 QLatin1Char(')'));
}

void TFormAufnahme::keepClick()
{
    stopClick();
    auto prepared = voice::Prepare(m_raw);
    if (!prepared) {
        dialogs::warning(this, QStringLiteral("Die Aufnahme enthält nur Stille und wird nicht gespeichert. Bitte noch "
                                              "einmal aufnehmen und dabei deutlich ins Mikrofon sprechen."));
        return;
    }
    m_take = std::move(prepared);
    StopWaveFiles();
    accept();
}

void TFormAufnahme::reject()
{
    m_timer->stop();
    m_capture.stop();
    StopWaveFiles();
    QDialog::reject();
}
