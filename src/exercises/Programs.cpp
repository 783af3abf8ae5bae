#include "exercises/Programs.h"

#include "chooser/PlayableTasks.h"
#include "core/Catalogue.h"
#include "chooser/TaskOrder.h"
#include "core/GlobalState.h"
#include "data/TaskList.h"
#include "exercises/GleichNichtGleich/GleichNichtGleich.h"
#include "exercises/LangOderKurz/LangOderKurz.h"
#include "exercises/LautAdd/LautAdd.h"
#include "exercises/LautErsetzen/LautErsetzen.h"
#include "exercises/LautPos/LautPos.h"
#include "exercises/LautSuche/LautSuche.h"
#include "exercises/LautWeg/LautWeg.h"
#include "exercises/Merkfaehigkeit/Merkfaehigkeit.h"
#include "exercises/Memory/Memory.h"
#include "exercises/PaareSuchen/PaareSuchen.h"
#include "exercises/RichtigOderFalsch/RichtigOderFalsch.h"
#include "exercises/Silbenanzahl/Silbenanzahl.h"
#include "exercises/WelcherLautPasst/WelcherLautPasst.h"
#include "exercises/Wortreihe/Wortreihe.h"
#include "shell/ExerciseWindow.h"

#include <memory>

namespace exercises {

bool hasWindow(int programCode)
{
    switch (programCode) {
    case 101:
    case 102:
    case 201:
    case 202:
    case 203:
    case 204:
    case 301:
    case 302:
    case 303:
    case 304:
    case 305:
    case 401:
    case 402:
    case 403:
    case 404:
    case 405:
    case 406:
    case 407:
    case 408:
        return true;
    default:
        return false;
    }
}

void loadListFor(int programCode, const QString& listPath)
{
    g().defaultElementCount = catalogue::defaultElementCount(programCode);
    int n = LoadTaskList(listPath);
    // Tasks without anything to show or hear are never played.
    if (n > 0)
        n = chooser::DropEmptyTasks(g().loadedList);
    if (n <= 0)
        g().loadedList.tasks.clear();
    BuildTaskOrderForProgram(programCode, std::max(0, n), programRandomOrder(programCode));
}

std::unique_ptr<TFormExercise> makeWindow(QWidget* parent, int programCode, const QString& listPath)
{
    std::unique_ptr<TFormExercise> window;
    switch (programCode) {
    case 101:
    case 102:
        window = std::make_unique<TFormMerkfaehigkeit>(programCode, listPath, parent);
        break;
    case 201:
    case 202:
    case 203:
    case 204:
        window = std::make_unique<TFormWortreihe>(programCode, listPath, parent);
        break;
    case 301:
        window = std::make_unique<TFormGleichNichtGleich>(listPath, parent);
        break;
    case 302:
        window = std::make_unique<TFormRichtigOderFalsch>(listPath, parent);
        break;
    case 303:
        window = std::make_unique<TFormWelcherLautPasst>(listPath, parent);
        break;
    case 304:
        window = std::make_unique<TFormLangOderKurz>(listPath, parent);
        break;
    case 305:
    case 407:
        window = std::make_unique<TFormMemory>(programCode, listPath, parent);
        break;
    case 401:
        window = std::make_unique<TFormLautPos>(listPath, parent);
        break;
    case 402:
        window = std::make_unique<TFormLautSuche>(listPath, parent);
        break;
    case 403:
        window = std::make_unique<TFormLautAdd>(listPath, parent);
        break;
    case 404:
        window = std::make_unique<TFormLautWeg>(listPath, parent);
        break;
    case 405:
        window = std::make_unique<TFormLautReplace>(listPath, parent);
        break;
    case 406:
        window = std::make_unique<TFormSilbenanzahl>(listPath, parent);
        break;
    case 408:
        window = std::make_unique<TFormPaarSuche>(programCode, listPath, parent);
        break;
    default:
        break;
    }
    return window;
}

int runProgram(QWidget* parent, int programCode, const QString& listPath, bool loadList)
{
    if (!hasWindow(programCode))
        return 0;
    g().programCode = programCode;
    if (loadList)
        loadListFor(programCode, listPath);
    std::unique_ptr<TFormExercise> window = makeWindow(parent, programCode, listPath);
    if (!window)
        return 0;
    return window->exec();
}

} // namespace exercises
