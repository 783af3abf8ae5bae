#pragma once
#include "exercises/LautErsetzen/LautReplaceRules.h"

// "Laute hinzufügen" plays by the rules of "Laute ersetzen" (LautReplaceRules with Kind::Add); only
// its task is read another way.
namespace lautreplace {

// Element 1 "Eis", element 2 "m,l,R+eis" ("Anlaut": the offered sounds before the "+", the right
// one last) or "Bau+m,n,l" ("Auslaut": the offered sounds after it, the right one first). The rest
// of an "Anlaut" word is shown in lower case unless `capitalsOnly`.
TaskWords AddWords(const TAufgabe& task, Position position, int soundCount, bool capitalsOnly);
// "Anlaut" when the list path contains "anlaut", otherwise "Auslaut".
Position AddPositionOf(const QString& relativeListPath);
// The new word as the protocol writes it: the item of element 2 holding the "+", without it (and
// without digits for "Auslaut").
QString AddedWord(const TAufgabe& task, Position position);

} // namespace lautreplace
