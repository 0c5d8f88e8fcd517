#include "ScheduleEditors.h"

#include "delegates/CmbBoxDelegateOnStrList.h"
#include "delegates/LineEditDelegate.h"
#include "routecheck/Schedule.h"

#include <QCoreApplication>

ScheduleEditors &ScheduleEditors::instance()
{
    static ScheduleEditors *editors = nullptr;
    if (!editors) {
        const char *context = "OperativeCheck";
        editors = new ScheduleEditors;
        editors->timeTypes = QStringList{QCoreApplication::translate(context, "AtStart"),
                                         QCoreApplication::translate(context, "EveryDay"),
                                         QCoreApplication::translate(context, "Weekly"),
                                         QCoreApplication::translate(context, "Monthly"),
                                         QCoreApplication::translate(context, "Plan Perehvat")};
        editors->timeTypeEditor = new CmbBoxDelegateOnStrList(&editors->timeTypes);
        editors->durationMask = durationInputMask();
        editors->durationEditor = new LineEditDelegate(editors->durationMask);
    }
    return *editors;
}
