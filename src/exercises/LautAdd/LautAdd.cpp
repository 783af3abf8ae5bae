#include "exercises/LautAdd/LautAdd.h"

TFormLautAdd::TFormLautAdd(const QString& listPath, QWidget* parent)
    : TFormLautReplace(403, lautreplace::LautReplaceRules::Kind::Add, listPath, parent)
{
}
