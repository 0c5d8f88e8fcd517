#include "PanelNotice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace {

const char NoticeStyle[] = "PanelNotice { background-color: rgb(255, 244, 200); "
                           "border: 1px solid rgb(214, 180, 80); }";

} // namespace

PanelNotice::PanelNotice(QWidget *parent)
    : QFrame(parent)
    , m_text(new QLabel)
    , m_buttons(new QHBoxLayout)
{
    setObjectName(QStringLiteral("panelNotice"));
    setStyleSheet(QString::fromLatin1(NoticeStyle));
    m_text->setWordWrap(true);
    auto *close = new QToolButton;
    close->setObjectName(QStringLiteral("closeNotice"));
    close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    close->setAutoRaise(true);
    close->setToolTip(tr("Close"));
    connect(close, &QToolButton::clicked, this, &PanelNotice::dismiss);

    auto *top = new QHBoxLayout;
    top->addWidget(m_text, 1);
    top->addWidget(close, 0, Qt::AlignTop);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(6, 4, 4, 4);
    column->addLayout(top);
    m_buttons->addStretch(1);
    column->addLayout(m_buttons);
    hide();
}

void PanelNotice::tell(const QString &text, const QList<Choice> &choices)
{
    m_text->setText(text);
    // Later: a choice may tell something new from its own button's click.
    for (QPushButton *old : findChildren<QPushButton *>()) {
        old->hide();
        old->deleteLater();
    }
    for (const Choice &choice : choices) {
        auto *button = new QPushButton(choice.text);
        const std::function<void()> run = choice.run;
        connect(button, &QPushButton::clicked, this, [this, run] {
            dismiss();
            run();
        });
        m_buttons->addWidget(button);
    }
    show();
}

QString PanelNotice::text() const
{
    return isHidden() ? QString() : m_text->text();
}

void PanelNotice::dismiss()
{
    hide();
}
