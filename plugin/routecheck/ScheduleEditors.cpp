#include "ScheduleEditors.h"

#include "delegates/CmbBoxDelegateOnStrList.h"
#include "delegates/LineEditDelegate.h"
#include "calendar/Duration.h"

#include <QCoreApplication>

ScheduleEditors &ScheduleEditors::instance()
{
    static ScheduleEditors *editors = nullptr;
    if (!editors) {
        editors = new ScheduleEditors;
        editors->timeTypes = QStringList{
            QCoreApplication::translate("OperativeCheck", "AtStart"),
            QCoreApplication::translate("OperativeCheck", "EveryDay"),
            QCoreApplication::translate("OperativeCheck", "Weekly"),
            QCoreApplication::translate("OperativeCheck", "Monthly"),
            QCoreApplication::translate("OperativeCheck", "Plan Perehvat")};
        editors->timeTypeEditor = new CmbBoxDelegateOnStrList(&editors->timeTypes);
        editors->durationMask = durationInputMask();
        editors->durationEditor = new LineEditDelegate(editors->durationMask);
    }
    return *editors;
}
