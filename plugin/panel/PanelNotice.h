#ifndef PANELNOTICE_H
#define PANELNOTICE_H

#include <QFrame>
#include <QList>
#include <QString>

#include <functional>

class QHBoxLayout;
class QLabel;

// A bar across the top of the panel that tells the operator something without
// stopping the work: a text, a button per choice, and a close button. A choice
// hides the bar, then runs.
class PanelNotice : public QFrame
{
    Q_OBJECT

public:
    struct Choice
    {
        QString text;
        std::function<void()> run;
    };

    explicit PanelNotice(QWidget *parent = nullptr);

    // Replaces whatever the bar said and shows it.
    void tell(const QString &text, const QList<Choice> &choices);
    QString text() const;
    // Hidden, as its close button leaves it.
    void dismiss();

private:
    QLabel *m_text;
    QHBoxLayout *m_buttons;
};

#endif // PANELNOTICE_H
