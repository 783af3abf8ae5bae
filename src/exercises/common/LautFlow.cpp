#include "exercises/common/LautFlow.h"

#include "core/Clock.h"
#include "core/FileSystem.h"
#include "core/GlobalState.h"
#include "core/OptionRecords.h"
#include "core/Random.h"
#include "media/skin/PraiseDue.h"
#include "media/sound/Sound.h"
#include "media/sound/TWAV.h"
#include "results/Ergebnisse.h"

#include <QPainter>
#include <utility>

namespace exercise {

bool LautAllSolved(const std::vector<TLoesung>& tasks)
{
    for (const TLoesung& t : tasks)
        if (t.state < 0)
            return false;
    return !tasks.empty();
}

int LautNextPosition(int position, const std::vector<TLoesung>& tasks)
{
    if (LautAllSolved(tasks))
        return -1;
    const int n = int(tasks.size());
    if (position + 1 < n)
        return position + 1;
    for (int p = 0; p < n; ++p)
        if (tasks[size_t(p)].state < 0)
            return p;
    return -1;
}

void LautReopen(std::vector<TLoesung>& tasks)
{
    for (TLoesung& t : tasks) {
        t.state = -1;
        t.error = false;
    }
}

void PrepareLautFeedback(const TOptFeedback& o, bool fresh)
{
    if (fresh) {
        praiseSounds().clear();
        errorSounds().clear();
    }
    const int praise = o.successSource == 0 ? 0 : 2;
    const int error = o.errorSource == 0 ? 0 : o.errorSource == 1 ? 1 : 3;
    PrepareFeedbackSounds(praise, error, o.successSoundText, o.errorSoundText, nullptr);
    if (error == 3)
        errorSounds().clear();
}

int LautRunRows()
{
    int rows = 0;
    for (const TErgebnis& e : run().runResults)
        rows += int(e.Rows.size());
    return rows;
}

namespace {
bool queue(TWAV& player, const QStringList& files)
{
    bool any = false;
    for (const QString& f : files)
        if (!f.trimmed().isEmpty()) {
            PlaySound(player, f, false, false, true);
            any = true;
        }
    return any;
}
} // namespace

bool PlayLautPraise(TWAV& player, const TOptFeedback& o)
{
    if (!o.successSound || !PraiseDue(LautRunRows(), o.successFrequency))
        return false;
    return queue(player, praiseSounds());
}

bool PlayLautErrors(TWAV& player, const TOptFeedback& o)
{
    return o.errorSound && queue(player, errorSounds());
}

QString LautSoundFile(const QString& sound)
{
    if (sound.trimmed().isEmpty())
        return QString();
    const QString base = fsys::withSlash(g().config.dirs.internsound) + QStringLiteral("ABC/");
    for (const QString& p : {base + QStringLiteral("LAUTE/") + sound + QStringLiteral(".wav"),
                             base + QStringLiteral("Silben/") + sound + QStringLiteral(".wav"),
                             base + QStringLiteral("Silben/") + sound + QStringLiteral("-.wav")})
        if (fsys::fileExists(p))
            return fsys::resolve(p);
    return QString();
}

bool PlayLautSound(TWAV& player, const QString& sound)
{
    const QString file = LautSoundFile(sound);
    if (file.isEmpty())
        return false;
    PlaySound(player, file, true, false, true);
    return true;
}

QString LautWordSoundFile(const QString& nameIn)
{
    const QString name = fsys::fromStored(nameIn.trimmed());
    if (name.isEmpty())
        return QString();
    const Directories& d = g().config.dirs;
    for (const QString& p : {name, fsys::withSlash(d.internsound) + name, fsys::withSlash(d.materialSound) + name})
        if (fsys::fileExists(p))
            return fsys::resolve(p);
    return QString();
}

void LautRecord::startBlock(const QString& listFile)
{
    m_block = StartResultBlock(listFile);
    m_row = -1;
}

TZeile* LautRecord::beginTask(bool newRow)
{
    if (m_block < 0 || m_block >= int(run().runResults.size()))
        return nullptr;
    auto& rows = run().runResults[size_t(m_block)].Rows;
    if (newRow || rows.empty()) {
        StartResultRow(m_block, 0);
        rows.back().Attempts = 0;
        rows.back().Solved = false;
    }
    m_row = int(rows.size()) - 1;
    return &rows.back();
}

TZeile* LautRecord::row() const
{
    if (m_block < 0 || m_block >= int(run().runResults.size()))
        return nullptr;
    auto& rows = run().runResults[size_t(m_block)].Rows;
    return m_row >= 0 && m_row < int(rows.size()) ? &rows[size_t(m_row)] : nullptr;
}

void LautDissolve::start(QSize box)
{
    m_tiles.clear();
    m_next = 0;
    if (box.width() <= 0 || box.height() <= 0)
        return;
    const int tw = std::max(1, box.width() / 180), th = std::max(1, box.height() / 180);
    // 180 x 180 tiles (fewer on a box smaller than that); the last column and row take the rest.
    const int cols = std::min(180, box.width()), rows = std::min(180, box.height());
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const int x = c * tw, y = r * th;
            const int w = c == cols - 1 ? box.width() - x : tw;
            const int h = r == rows - 1 ? box.height() - y : th;
            m_tiles.push_back(Tile{x, y, w, h});
        }
    const int n = int(m_tiles.size());
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < n; ++i)
            std::swap(m_tiles[size_t(rnd::below(n))], m_tiles[size_t(rnd::below(n))]);
}

bool LautDissolve::step(QImage& onto, QPoint at, const QImage& from, int count)
{
    if (!running())
        return false;
    QPainter p(&onto);
    for (int i = 0; i < count && m_next < m_tiles.size(); ++i, ++m_next) {
        const Tile& t = m_tiles[m_next];
        p.drawImage(QPoint(at.x() + t.x, at.y() + t.y), from, QRect(t.x, t.y, t.w, t.h));
    }
    return true;
}

} // namespace exercise
