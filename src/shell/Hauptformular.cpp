#include "shell/Hauptformular.h"
#include "core/Installation.h"

#include "Version.h"

TFormHauptformular::TFormHauptformular(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(captionWithVersion());
    resize(800, 600);
}

QString TFormHauptformular::captionWithVersion()
{
    return QStringLiteral("Kalimo - Version %1.%2").arg(KALIMO_VERSION_MAJOR_NUM).arg(KALIMO_VERSION_MINOR_NUM);
}

bool TFormHauptformular::startUp()
{
    installation::ReadMainConfiguration(this);
    return true;
}
