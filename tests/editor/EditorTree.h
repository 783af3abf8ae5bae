#pragma once
#include "core/GlobalState.h"
#include "editor/Einfuegen.h"
#include "support/TestSupport.h"

// A small installation for the editor: the folders its fields and dialogs name, all empty.
inline void makeEditorTree(const TempTree& tree)
{
    resetToInstallation(tree.root());
    Directories& d = g().config.dirs;
    d.listen = tree.mkdir(QStringLiteral("Listen"));
    d.materialBilder = tree.mkdir(QStringLiteral("Material/Bilder"));
    d.materialSammelBilder = tree.mkdir(QStringLiteral("Material/Sammelbilder"));
    d.materialSound = tree.mkdir(QStringLiteral("Material/Sound"));
    d.internBilder = tree.mkdir(QStringLiteral("INTERN/Bilder"));
    d.hintergrundbilder = tree.mkdir(QStringLiteral("INTERN/Bilder/Hintergrund"));
    d.internRueckseite = tree.mkdir(QStringLiteral("INTERN/Rueckseite"));
    d.internsound = tree.mkdir(QStringLiteral("INTERN/Sound"));
    d.anleitungsound = tree.mkdir(QStringLiteral("INTERN/Anleitung"));
    d.lobSound = tree.mkdir(QStringLiteral("INTERN/Lob"));
    TFormEinfuegen::rememberedFolder().clear();
}
