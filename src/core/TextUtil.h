#pragma once
#include <QString>
#include <QStringList>

class QFont;
struct TFont;

// Splits `text` at any character of `separators`; every separator ends a token (empty ones too),
// a trailing empty token is dropped. With `unique` an equal token already in the list is skipped.
int SplitText(const QString& text, QStringList& list, bool clearFirst, const QString& separators, bool unique);

// `path` below `base` as a relative name ("./" prefixed when asked); other paths come back unchanged.
QString MakeRelativePath(const QString& base, const QString& path, bool withDotPrefix);
// The variant that always prefixes "./".
QString MakeRelativePathDot(const QString& base, const QString& path);

int ListFiles(const QString& folder, const QString& mask, bool withPath, QStringList& out);
// Like ListFiles; when the folder itself holds no match its subfolders are searched, depth first.
int ListFilesRecursive(const QString& folder, const QString& mask, bool withPath, QStringList& out);

// Sets the face when installed; otherwise "Arial" when installed, else the first installed face.
bool SelectInstalledFont(QFont& font, const QString& faceName);
bool SelectInstalledFont(TFont& font, const QString& faceName);

// Lets the faces named by Windows material ("Arial", "Comic Sans MS" ...) resolve to their free twins.
void registerFontTwins();
