#include "UnitDialog.h"

#include "wire/UnitMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

// As the server takes names.
constexpr int MaxNameLength = 256;

} // namespace

UnitDialog::UnitDialog(const QString &title, Fields fields, QWidget *parent)
    : QDialog(parent)
    , m_fields(fields)
    // Children from the start: the fields a dialog does not show never join
    // its layout.
    , m_name(new QLineEdit(this))
    , m_group(new QComboBox(this))
    , m_deviceId(new QLineEdit(this))
    , m_key(new QLineEdit(this))
    , m_removeKey(new QCheckBox(tr("&Remove the key"), this))
    , m_problem(new QLabel(this))
{
    setWindowTitle(title);
    m_name->setObjectName(QStringLiteral("name"));
    m_group->setObjectName(QStringLiteral("group"));
    m_deviceId->setObjectName(QStringLiteral("deviceId"));
    m_key->setObjectName(QStringLiteral("key"));
    m_name->setMaxLength(MaxNameLength);
    m_deviceId->setMaxLength(UnitMessages::MaxDeviceIdLength);
    m_key->setMaxLength(UnitMessages::MaxDeviceIdLength);
    m_key->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    m_deviceId->setPlaceholderText(tr("none"));
    m_deviceId->setToolTip(tr("1 to %1 printable ASCII characters; empty: no device")
                               .arg(UnitMessages::MaxDeviceIdLength));

    auto *form = new QFormLayout;
    const QList<QPair<Field, QPair<QString, QWidget *>>> rows{
        {Name, {tr("&Name:"), m_name}},
        {Group, {tr("&Group:"), m_group}},
        {Device, {tr("&Device id:"), m_deviceId}},
        {Key, {tr("&Key:"), m_key}},
    };
    for (const auto &row : rows) {
        if (fields.testFlag(row.first))
            form->addRow(row.second.first, row.second.second);
        else
            row.second.second->hide();
    }
    form->addRow(QString(), m_removeKey);
    m_removeKey->setObjectName(QStringLiteral("removeKey"));
    m_removeKey->hide();
    connect(m_removeKey, &QCheckBox::toggled, m_key, &QWidget::setDisabled);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setStyleSheet(QStringLiteral("color: #b00020"));
    m_problem->setWordWrap(true);
    m_problem->hide();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &UnitDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &UnitDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

void UnitDialog::setName(const QString &name)
{
    m_name->setText(name);
    m_name->selectAll();
}

void UnitDialog::setGroups(const Groups &groups, qint32 current)
{
    m_group->clear();
    for (const auto &group : groups) {
        m_group->addItem(group.second, group.first);
        if (group.first == current)
            m_group->setCurrentIndex(m_group->count() - 1);
    }
}

void UnitDialog::setDeviceId(const QString &deviceId)
{
    m_deviceId->setText(deviceId);
}

void UnitDialog::setHasKey(bool hasKey)
{
    m_key->setPlaceholderText(hasKey ? tr("set; type to replace it") : tr("none"));
    m_removeKey->setVisible(hasKey && m_fields.testFlag(Key));
}

QString UnitDialog::name() const
{
    return m_name->text().trimmed();
}

qint32 UnitDialog::groupId() const
{
    return m_group->currentData().toInt();
}

QString UnitDialog::deviceId() const
{
    return m_deviceId->text();
}

QString UnitDialog::key() const
{
    return removesKey() ? QString() : m_key->text();
}

bool UnitDialog::removesKey() const
{
    return m_removeKey->isChecked();
}

QString UnitDialog::problem() const
{
    if (m_fields.testFlag(Name) && name().isEmpty())
        return tr("The name may not be empty.");
    if (m_fields.testFlag(Group) && m_group->currentIndex() < 0)
        return tr("There is no group to choose.");
    if (!deviceId().isEmpty() && !UnitMessages::isDeviceId(deviceId()))
        return tr("A device id is 1 to %1 printable ASCII characters.")
            .arg(UnitMessages::MaxDeviceIdLength);
    if (!key().isEmpty() && !UnitMessages::isDeviceId(key()))
        return tr("A key is 1 to %1 printable ASCII characters.")
            .arg(UnitMessages::MaxDeviceIdLength);
    return QString();
}

void UnitDialog::accept()
{
    const QString why = problem();
    m_problem->setText(why);
    m_problem->setVisible(!why.isEmpty());
    if (why.isEmpty())
        QDialog::accept();
}
