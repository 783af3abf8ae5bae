#pragma once
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

// A word recorded with the microphone for a sound field of the editor or the insertion dialog.
namespace editor {

// The file name of a recording of `word`: the word as the sound guess looks it up (blanks trimmed
// and runs of blanks made one, characters a file name cannot hold left out); "Aufnahme" for none.
QString RecordingName(const QString& word);

// The recording panel; tests may put their own in its place.
using Recorder = std::function<std::optional<std::vector<std::int16_t>>(QWidget* parent, const QString& word)>;
Recorder& recorder();

// Records `word` and saves the take as `folder`/RecordingName(word).wav (asking before an existing
// file is replaced). The saved file's full path; empty when nothing was saved.
QString RecordWord(QWidget* parent, const QString& word, const QString& folder);

} // namespace editor
