#ifndef UNITDIALOG_H
#define UNITDIALOG_H

#include <QDialog>
#include <QList>
#include <QPair>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// Asks for what one unit edit needs: a name, a group, a device id and a key,
// as many of them as the edit takes. OK keeps the dialog open, saying why,
// while a field would be refused by the server.
class UnitDialog : public QDialog
{
    Q_OBJECT

public:
    enum Field { Name = 1, Group = 2, Device = 4, Key = 8 };
    Q_DECLARE_FLAGS(Fields, Field)

    // Groups: id (0 for the top level) and the path shown, in tree order.
    using Groups = QList<QPair<qint32, QString>>;

    UnitDialog(const QString &title, Fields fields, QWidget *parent = nullptr);

    void setName(const QString &name);
    void setGroups(const Groups &groups, qint32 current);
    void setDeviceId(const QString &deviceId);
    // The key is never shown; the field says whether there is one, and a
    // unit that has one may have it removed.
    void setHasKey(bool hasKey);

    QString name() const; // trimmed
    qint32 groupId() const;
    QString deviceId() const;
    QString key() const;
    bool removesKey() const;

    // Why OK does not close the dialog; empty when it would.
    QString problem() const;

    void accept() override;

private:
    Fields m_fields;
    QLineEdit *m_name;
    QComboBox *m_group;
    QLineEdit *m_deviceId;
    QLineEdit *m_key;
    QCheckBox *m_removeKey;
    QLabel *m_problem;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(UnitDialog::Fields)

#endif // UNITDIALOG_H
