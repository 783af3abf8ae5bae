#include "editor/ListExport.h"

#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/Overlay.h"
#include "core/GlobalState.h"
#include "core/Win1252.h"
#include "data/TaskList.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace editor {
namespace {

enum class Rows { HeadAndTwelve, Six, Two, One, HeadAndFour };

Rows rowsOf(int code)
{
    switch (code) {
    case 101: case 102: return Rows::HeadAndTwelve;
    case 201: case 202: case 203: case 204: return Rows::Six;
    case 303: case 401: case 402: case 406: return Rows::One;
    case 404: return Rows::HeadAndFour;
    default: return Rows::Two;
    }
}

TEinzelbild elementAt(const TAufgabe& task, int i)
{
    return i >= 1 && i < int(task.elements.size()) ? task.elements[size_t(i)] : TEinzelbild{};
}

// The edited file below the `Listen` folder, as the lists write paths.
QString belowListen(const QString& file)
{
    const QString listen = fsys::withSlash(g().config.dirs.listen);
    const QString rel = file.startsWith(listen, Qt::CaseInsensitive) ? file.mid(listen.size()) : file;
    return fsys::toStored(rel);
}

bool writeLines(QWidget* parent, const QString& path, const QStringList& lines)
{
    const QByteArray bytes = win1252::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    // A write-protected installation keeps its exports in the writable overlay.
    const QString target = overlay::writablePath(path);
    if (fsys::writeFileAtomic(target, bytes)) {
        dialogs::showMessage(parent, QStringLiteral("Datei gespeichert: ") + QDir::toNativeSeparators(target));
        return true;
    }
    dialogs::error(parent, QStringLiteral("Die Datei ") + QDir::toNativeSeparators(target) +
                               QStringLiteral(" kann nicht geschrieben werden!"));
    return false;
}

// The save dialog in the texts folder; the extension is added when the chosen name lacks it.
QString chooseTarget(QWidget* parent, const QString& proposed, const QString& extension, const QString& filter)
{
    const QString folder = overlay::writablePath(g().config.installationDirectory + QStringLiteral("Texte aus Dateien/"));
    fsys::makePath(folder);
    QString path = dialogs::current().saveFile(parent, QStringLiteral("Speichern unter"), folder + proposed, filter);
    if (path.isEmpty())
        return {};
    if (QFileInfo(path).suffix().compare(extension, Qt::CaseInsensitive) != 0)
        path += QLatin1Char('.') + extension;
    return path;
}

// Every file below `folder`, depth-first, each sub-folder entered where it is met in name order.
void collectFiles(const QString& folder, QStringList& out)
{
    for (const QString& entry : fsys::list(folder, QStringLiteral("*"), true, fsys::Entries::All)) {
        if (QFileInfo(entry).isDir())
            collectFiles(entry, out);
        else
            out << entry;
    }
}

} // namespace

std::vector<TEinzelbild> TaskRows(int programCode, const TAufgabe& task)
{
    std::vector<TEinzelbild> rows;
    const Rows kind = rowsOf(programCode);
    if (kind == Rows::HeadAndTwelve || kind == Rows::HeadAndFour)
        rows.push_back(task.headElement);
    for (int i = 1; i <= LastRowNumber(programCode); ++i)
        rows.push_back(elementAt(task, i));
    return rows;
}

int LastRowNumber(int programCode)
{
    switch (rowsOf(programCode)) {
    case Rows::HeadAndTwelve: return 12;
    case Rows::Six: return 6;
    case Rows::Two: return 2;
    case Rows::One: return 1;
    case Rows::HeadAndFour: return 4;
    }
    return 2;
}

QString CleanExportText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('-') || c == QLatin1Char(';') || c == QLatin1Char('+') ||
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            continue;
        out += c == QLatin1Char(',') ? QLatin1Char(' ') : c;
    }
    return out;
}

QString RtfEscape(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        // A brace would end or open a group and cut the document.
        case '{': out += QStringLiteral("\\{"); break;
        case '}': out += QStringLiteral("\\}"); break;
        case 0xF6: out += QStringLiteral("\\'f6"); break;
        case 0xD6: out += QStringLiteral("\\'d6"); break;
        case 0xE4: out += QStringLiteral("\\'e4"); break;
        case 0xC4: out += QStringLiteral("\\'c4"); break;
        case 0xFC: out += QStringLiteral("\\'fc"); break;
        case 0xDC: out += QStringLiteral("\\'dc"); break;
        case 0xDF: out += QStringLiteral("\\'df"); break;
        default: out += c;
        }
    }
    return out;
}

QStringList ListTextLines(int programCode, const QString& editedFile, const TDaten& tasks)
{
    QStringList lines{QStringLiteral(".\\") + belowListen(editedFile), QString()};
    for (const TAufgabe& task : tasks.tasks) {
        QStringList texts;
        for (const TEinzelbild& row : TaskRows(programCode, task))
            texts << CleanExportText(row.text);
        lines << texts.join(QStringLiteral("; "));
    }
    return lines;
}

QStringList AllTextsRtfLines(const QString& listen)
{
    QStringList files;
    collectFiles(listen, files);
    const QString root = fsys::withSlash(listen);
    QStringList out{QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Times New Roman;}}")};
    QString previousFolder;
    bool first = true;
    for (const QString& file : files) {
        QString rel = fsys::toStored(file.startsWith(root, Qt::CaseInsensitive) ? file.mid(root.size()) : file);
        while (rel.startsWith(QLatin1Char('\\')))
            rel.remove(0, 1);
        while (rel.contains(QStringLiteral("\\\\")))
            rel.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
        const int cut = rel.lastIndexOf(QLatin1Char('\\')) + 1;
        const QString folder = rel.left(cut);
        const QString name = rel.mid(cut);
        out << QStringLiteral("\\fs22");
        if (first || folder.compare(previousFolder, Qt::CaseInsensitive) != 0)
            out << QStringLiteral("\\b\\ul ") + RtfEscape(folder) + QStringLiteral("\\ulnone\\b0 \\par ");
        out << QStringLiteral("\\i ") + RtfEscape(name) + QStringLiteral("\\i0 \\par ");
        first = false;
        previousFolder = folder;

        TDaten list;
        LoadTaskListInto(file, list);
        QString pending;
        auto flush = [&] {
            if (!pending.isEmpty())
                out << pending + QStringLiteral("\\par");
        };
        for (const TAufgabe& task : list.tasks) {
            QString t = CleanExportText(task.headElement.text);
            const int count = std::min<int>(12, int(task.elements.size()) - 1);
            for (int i = 1; i <= count; ++i) {
                const QString c = CleanExportText(task.elements[size_t(i)].text);
                if (t.trimmed().isEmpty())
                    t = c;
                else if (!c.isEmpty())
                    t += QStringLiteral("; ") + c;
            }
            const QString e = RtfEscape(t);
            if (e.size() > 120) {
                flush();
                out << e + QStringLiteral("\\par");
                pending.clear();
            } else if ((pending + QStringLiteral("\\tab ") + e).size() >= 120) {
                flush();
                pending = e;
            } else {
                pending = pending.isEmpty() ? e : pending + QStringLiteral("\\tab ") + e;
            }
        }
        flush();
        out << QStringLiteral("\\fs8 \\par\\fs22");
    }
    out << QStringLiteral("\\par}");
    return out;
}

bool ExportListTexts(QWidget* parent, int programCode, const QString& editedFile, const TDaten& tasks)
{
    const QString path = chooseTarget(parent, fsys::fileName(editedFile), QStringLiteral("txt"),
                                      QStringLiteral("Textdateien (*.txt)"));
    if (path.isEmpty())
        return false;
    return writeLines(parent, path, ListTextLines(programCode, editedFile, tasks));
}

bool ExportAllTexts(QWidget* parent)
{
    const QString path = chooseTarget(parent, QStringLiteral("TexteKomplett.rtf"), QStringLiteral("rtf"),
                                      QStringLiteral("RTF-Dateien (*.rtf)"));
    if (path.isEmpty())
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QStringList lines = AllTextsRtfLines(g().config.dirs.listen);
    QApplication::restoreOverrideCursor();
    return writeLines(parent, path, lines);
}

} // namespace editor
