#pragma once
#include "exercises/LautErsetzen/LautErsetzen.h"

// The window of "Laute hinzufügen": the window of "Laute ersetzen" with the task read as a sum
// (LautAddRules), two folder tabs, no help button, and letters that glide into the gap.
class TFormLautAdd : public TFormLautReplace
{
    Q_OBJECT
public:
    explicit TFormLautAdd(const QString& listPath, QWidget* parent = nullptr);
};
