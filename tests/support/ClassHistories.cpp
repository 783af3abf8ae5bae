#include "support/ClassHistories.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

namespace classhistories {

namespace {
struct Program {
    int code;
    const char* name;
    const char* list;
};
// A few programs of every group.
const Program kPrograms[] = {
    {101, "Merkfähigkeit-Bild", "1_Merkfähigkeit\\Bild\\01 Tiere.txt"},
    {201, "Doppelgänger-Bild", "2_Wortreihen\\Doppelgänger\\01 Obst.txt"},
    {301, "Gleich oder Nichtgleich", "3_Differenzierung\\1_Gleich oder Nichtgleich\\01 Anlaute.txt"},
    {302, "Richtig oder Falsch", "3_Differenzierung\\2_Richtig oder Falsch\\01 Wörter.txt"},
    {402, "Laut-/Silbensuche", "4_Laut-Silben-Analyse\\Lautsuche\\01 Vokale.txt"},
    {406, "Silbenanzahl", "4_Laut-Silben-Analyse\\Silbenanzahl\\01 Tiere; Zoo.txt"},
};
constexpr int kProgramCount = int(sizeof(kPrograms) / sizeof(kPrograms[0]));
} // namespace

bool isIdle(int player, const Shape& shape)
{
    return shape.idleEvery > 0 && player >= 3 && player % shape.idleEvery == 3;
}

RunFigures figures(int player, int run, int runs)
{
    const Program& p = kPrograms[(player + run) % kProgramCount];
    const int counted = 10 + (player + run) % 3;
    const int base = 30 + (player * 13) % 40;           // 30 .. 69 %
    const int step = runs > 1 ? 30 * run / (runs - 1) : 0;  // 0 .. 30 points over the runs
    const int percent = player % 2 == 0 ? base + step : base + 30 - step;
    return {p.code, counted, std::min(counted, counted * percent / 100)};
}

QDateTime runStart(int player, int run, const Shape& shape, const QDateTime& now)
{
    // Oldest first, evenly over the days; idle players stop two months before `now`.
    const int days = isIdle(player, shape) ? shape.days - 62 : shape.days;
    const int offset = isIdle(player, shape) ? 62 : 0;
    const qint64 span = qint64(std::max(1, days)) * 86400;
    const qint64 back = offset * qint64(86400) + span - span * (run + 1) / std::max(1, shape.runsPerPlayer) + 3600;
    QDateTime t = now.addSecs(-back);
    t.setTime(QTime(t.time().hour(), t.time().minute()));
    return t;
}

bool write(const QString& protocolFolder, const QStringList& players, const Shape& shape, const QDateTime& now)
{
    QDir().mkpath(protocolFolder);
    QStringEncoder encode("windows-1252");
    for (int i = 0; i < players.size(); ++i) {
        QString text = QStringLiteral("Datum;Startzeit;Programmnummer;Programm;Liste;Aufgaben;"
                                      "Beim ersten Versuch gelöst;Mit Fehlern;Arbeitszeit in Sekunden\r\n");
        for (int j = 0; j < shape.runsPerPlayer; ++j) {
            const RunFigures f = figures(i, j, shape.runsPerPlayer);
            const Program* p = nullptr;
            for (const Program& q : kPrograms)
                if (q.code == f.code)
                    p = &q;
            const QDateTime start = runStart(i, j, shape, now);
            QString list = QString::fromUtf8(p->list);
            if (list.contains(QLatin1Char(';')))
                list = QLatin1Char('"') + list + QLatin1Char('"');
            text += start.toString(QStringLiteral("dd.MM.yyyy;HH:mm;")) + QString::number(f.code) + QLatin1Char(';') +
                    QString::fromUtf8(p->name) + QLatin1Char(';') + list + QLatin1Char(';') +
                    QString::number(f.counted) + QLatin1Char(';') + QString::number(f.firstTry) + QLatin1Char(';') +
                    QString::number(f.counted - f.firstTry) + QLatin1Char(';') + QString::number(120 + j % 200) +
                    QStringLiteral("\r\n");
        }
        QFile file(QDir(protocolFolder).filePath(players[i] + QStringLiteral("-Verlauf.csv")));
        if (!file.open(QIODevice::WriteOnly) || file.write(encode(text)) < 0)
            return false;
    }
    return true;
}

} // namespace classhistories
