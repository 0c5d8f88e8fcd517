#include "ScheduleEditors.h"

#include "delegates/CmbBoxDelegateOnStrList.h"
#include "delegates/LineEditDelegate.h"
#include "calendar/Duration.h"

#include <QCoreApplication>
#include <QRegularExpression>

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
        editors->timeTypeTips = QStringList{
            QCoreApplication::translate("OperativeCheck",
                "Section times count once, from the moment checking is switched on."),
            QCoreApplication::translate("OperativeCheck",
                "Section times are times of day, checked again every day from midnight."),
            QCoreApplication::translate("OperativeCheck",
                "Section times count from Monday 00:00, checked again every week."),
            QCoreApplication::translate("OperativeCheck",
                "Section times count from 00:00 on the 1st, checked again every month."),
            QCoreApplication::translate("OperativeCheck",
                "An interception plan: section times count once, from the moment checking "
                "is switched on, and the route is marked as a plan.")};
        editors->timeTypeEditor = new CmbBoxDelegateOnStrList(&editors->timeTypes);
        editors->timeTypeEditor->setItemTips(&editors->timeTypeTips);
        editors->durationMask = durationInputMask();
        editors->durationEditor =
            new LineEditDelegate(editors->durationMask, nullptr, &ScheduleEditors::durationProblem);
    }
    return *editors;
}

QString ScheduleEditors::durationProblem(const QString &text)
{
    // All four fields of the mask, as the editor shows them: a lone number would
    // stand in the days' place and be read as seconds.
    const QStringList numbers = text.split(QRegularExpression(QStringLiteral("\\D+")),
                                           Qt::SkipEmptyParts);
    if (numbers.size() != 4 || text.contains(QLatin1Char('-')))
        return QCoreApplication::translate("OperativeCheck", "Type days and hh:mm:ss");
    if (parseDuration(text) == InvalidDuration)
        return QCoreApplication::translate("OperativeCheck", "Hours up to 23, minutes up to 59");
    return QString();
}
