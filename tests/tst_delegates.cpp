#include "delegates/CmbBoxDelegateOnMapIcon.h"
#include "delegates/CmbBoxDelegateOnStrList.h"
#include "delegates/ColorDialogDelegate.h"
#include "delegates/LineEditDelegate.h"
#include "routecheck/Schedule.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QtTest>

enum class Kind { StrList, MapIcon, LineEdit };
Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(QStandardItem *)

// Answers every modal colour dialog from inside its event loop: records what it opened
// with, then picks the answer and accepts, or rejects when the answer is invalid. Any other
// modal window is closed, so a wrong turn fails a test instead of hanging it.
class ColorDialogAnswer : public QObject
{
    Q_OBJECT

public:
    ColorDialogAnswer()
    {
        connect(&timer, SIGNAL(timeout()), this, SLOT(onTick()));
        timer.start(10);
    }

    QColor answer; // invalid: cancel
    int opened = 0;
    QColor initial;
    bool alphaShown = false;
    bool hadParent = false;

private slots:
    void onTick()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        auto *dialog = qobject_cast<QColorDialog *>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        ++opened;
        initial = dialog->currentColor();
        alphaShown = dialog->testOption(QColorDialog::ShowAlphaChannel);
        hadParent = dialog->parentWidget() != nullptr;
        if (answer.isValid()) {
            dialog->setCurrentColor(answer);
            dialog->accept();
        } else {
            dialog->reject();
        }
    }

private:
    QTimer timer;
};

class TestDelegates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void comboRule_data();
    void comboRule();
    void comboEntries_data();
    void comboEntries();
    void comboWriteBack_data();
    void comboWriteBack();
    void editorRule_data();
    void editorRule();
    void lineEdit_data();
    void lineEdit();
    void lineEditRefresh_data();
    void lineEditRefresh();
    void colorArming_data();
    void colorArming();
    void colorEdit_data();
    void colorEdit();
    void colorSecondEdit_data();
    void colorSecondEdit();
    void colorDoubleClick();

private:
    QAbstractItemDelegate *makeDelegate(Kind kind, int row = 0);
    QModelIndex cell(int row = 0) const { return model->index(row, 1); }
    QWidget *openEditor(const QModelIndex &index);
    bool closeWithReturn(const QModelIndex &index);
    void setColorCell(int row, const QColor &color);
    QColor cellColor(int row, int role) const;
    QStyleOptionViewItem activeOption(const QModelIndex &index) const;

    QMap<QString, QPixmap> icons;
    QStringList scheduleList;
    QStandardItemModel *model = nullptr;
    QTableView *view = nullptr;
    ColorDialogAnswer *answerer = nullptr;
};

void TestDelegates::initTestCase()
{
    Q_INIT_RESOURCE(operativecheck);
    qRegisterMetaType<QStandardItem *>();
    const QList<QPair<QString, QString>> files{
        {"Center", "Centr.png"},     {"Hospital", "hospital.png"}, {"House", "House.png"},
        {"Pharmacy", "pharmacy.png"}, {"TK", "tk.png"}};
    for (const auto &file : files) {
        const QPixmap picture(QStringLiteral(":/icon/resource/") + file.second);
        QVERIFY2(!picture.isNull(), qPrintable(file.second));
        icons.insert(file.first, picture);
    }
}

void TestDelegates::init()
{
    scheduleList = QStringList{"AtStart", "EveryDay", "Weekly", "Monthly", "Plan Perehvat"};
    model = new QStandardItemModel(3, 2);
    view = new QTableView;
    view->setModel(model);
    view->resize(480, 240);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    answerer = new ColorDialogAnswer;
}

void TestDelegates::cleanup()
{
    delete answerer;
    delete view; // deletes the delegates, which it parents
    delete model;
}

QAbstractItemDelegate *TestDelegates::makeDelegate(Kind kind, int row)
{
    QAbstractItemDelegate *delegate = nullptr;
    switch (kind) {
    case Kind::StrList:
        delegate = new CmbBoxDelegateOnStrList(&scheduleList, view);
        break;
    case Kind::MapIcon:
        delegate = new CmbBoxDelegateOnMapIcon(&icons, view);
        break;
    case Kind::LineEdit:
        delegate = new LineEditDelegate(durationInputMask(), view);
        break;
    }
    view->setItemDelegateForRow(row, delegate);
    return delegate;
}

QWidget *TestDelegates::openEditor(const QModelIndex &index)
{
    view->setCurrentIndex(index);
    view->edit(index);
    return view->indexWidget(index);
}

// The delegate commits on Return after the editor saw the key, from a queued call.
bool TestDelegates::closeWithReturn(const QModelIndex &index)
{
    QWidget *editor = view->indexWidget(index);
    if (!editor)
        return false;
    QTest::keyClick(editor, Qt::Key_Return);
    return QTest::qWaitFor([this, index] { return !view->indexWidget(index); });
}

void TestDelegates::setColorCell(int row, const QColor &color)
{
    model->setData(cell(row), color, Qt::EditRole);
    model->setData(cell(row), color, Qt::DecorationRole);
}

QColor TestDelegates::cellColor(int row, int role) const
{
    return qvariant_cast<QColor>(model->data(cell(row), role));
}

QStyleOptionViewItem TestDelegates::activeOption(const QModelIndex &index) const
{
    QStyleOptionViewItem option;
    option.rect = view->visualRect(index);
    option.state = QStyle::State_Enabled | QStyle::State_Active;
    return option;
}

void TestDelegates::comboRule_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("cellText");
    QTest::addColumn<int>("selected");

    QTest::newRow("list: exact text") << Kind::StrList << "Weekly" << 2;
    QTest::newRow("list: first entry") << Kind::StrList << "AtStart" << 0;
    QTest::newRow("list: last entry, with a space") << Kind::StrList << "Plan Perehvat" << 4;
    QTest::newRow("list: other case selects nothing") << Kind::StrList << "weekly" << -1;
    QTest::newRow("list: prefix selects nothing") << Kind::StrList << "Week" << -1;
    QTest::newRow("list: trailing space selects nothing") << Kind::StrList << "Weekly " << -1;
    QTest::newRow("list: empty cell selects nothing") << Kind::StrList << "" << -1;
    QTest::newRow("icons: exact name") << Kind::MapIcon << "Hospital" << 1;
    QTest::newRow("icons: last name") << Kind::MapIcon << "TK" << 4;
    QTest::newRow("icons: other case selects nothing") << Kind::MapIcon << "hospital" << -1;
    QTest::newRow("icons: file name selects nothing") << Kind::MapIcon << "hospital.png" << -1;
}

void TestDelegates::comboRule()
{
    QFETCH(Kind, kind);
    QFETCH(QString, cellText);
    QFETCH(int, selected);

    makeDelegate(kind);
    model->setData(cell(), cellText);

    auto *combo = qobject_cast<QComboBox *>(openEditor(cell()));
    QVERIFY(combo);
    QCOMPARE(combo->currentIndex(), selected);
    QCOMPARE(combo->currentText(), selected < 0 ? QString() : cellText);
}

void TestDelegates::comboEntries_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("addedLater");
    QTest::addColumn<QStringList>("entries");

    const QStringList schedule{"AtStart", "EveryDay", "Weekly", "Monthly", "Plan Perehvat"};
    const QStringList names{"Center", "Hospital", "House", "Pharmacy", "TK"};
    QTest::newRow("list in its own order") << Kind::StrList << QString() << schedule;
    QTest::newRow("list changed after the delegate was made")
        << Kind::StrList << "Extra" << schedule + QStringList{"Extra"};
    QTest::newRow("icons in name order") << Kind::MapIcon << QString() << names;
    QTest::newRow("icon table changed after the delegate was made")
        << Kind::MapIcon << "Glass" << QStringList{"Center", "Glass", "Hospital", "House",
                                                   "Pharmacy", "TK"};
}

void TestDelegates::comboEntries()
{
    QFETCH(Kind, kind);
    QFETCH(QString, addedLater);
    QFETCH(QStringList, entries);

    QMap<QString, QPixmap> table = icons;
    QAbstractItemDelegate *delegate = kind == Kind::MapIcon
        ? static_cast<QAbstractItemDelegate *>(new CmbBoxDelegateOnMapIcon(&table, view))
        : makeDelegate(kind);
    view->setItemDelegateForRow(0, delegate);
    if (!addedLater.isEmpty()) {
        scheduleList.append(addedLater);
        table.insert(addedLater, QPixmap(QStringLiteral(":/icon/resource/Glass.png")));
    }

    auto *combo = qobject_cast<QComboBox *>(openEditor(cell()));
    QVERIFY(combo);
    QVERIFY(!combo->isEditable());
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    QCOMPARE(shown, entries);
    if (kind != Kind::MapIcon)
        return;
    for (int i = 0; i < combo->count(); ++i) {
        const QPixmap picture = table.value(combo->itemText(i));
        const QPixmap drawn = combo->itemIcon(i).pixmap(picture.size());
        QCOMPARE(drawn.toImage(), picture.toImage());
    }
}

void TestDelegates::comboWriteBack_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("cellText");
    QTest::addColumn<QString>("choice"); // empty: close as opened
    QTest::addColumn<QString>("written");

    QTest::newRow("icons: choose Hospital") << Kind::MapIcon << "House" << "Hospital"
                                            << "Hospital";
    QTest::newRow("icons: close unchanged") << Kind::MapIcon << "TK" << "" << "TK";
    QTest::newRow("icons: unknown value closed without choosing")
        << Kind::MapIcon << "Nowhere" << "" << "";
    QTest::newRow("list: choose Monthly") << Kind::StrList << "Weekly" << "Monthly"
                                          << "Monthly";
    QTest::newRow("list: close unchanged") << Kind::StrList << "EveryDay" << "" << "EveryDay";
    QTest::newRow("list: other case closed without choosing")
        << Kind::StrList << "weekly" << "" << "";
}

void TestDelegates::comboWriteBack()
{
    QFETCH(Kind, kind);
    QFETCH(QString, cellText);
    QFETCH(QString, choice);
    QFETCH(QString, written);

    makeDelegate(kind);
    model->setData(cell(), cellText);
    // An earlier picture, to see that the icon combo replaces it in every case.
    const QPixmap earlier = QPixmap(QStringLiteral(":/icon/resource/Kill.png"));
    if (kind == Kind::MapIcon)
        model->setData(cell(), earlier, Qt::DecorationRole);

    auto *combo = qobject_cast<QComboBox *>(openEditor(cell()));
    QVERIFY(combo);
    if (!choice.isEmpty())
        combo->setCurrentIndex(combo->findText(choice));
    QVERIFY(closeWithReturn(cell()));

    QCOMPARE(model->data(cell(), Qt::EditRole).toString(), written);
    const QVariant decoration = model->data(cell(), Qt::DecorationRole);
    if (kind == Kind::StrList) {
        QVERIFY(!decoration.isValid());
        return;
    }
    QVERIFY(decoration.canConvert<QPixmap>());
    const QPixmap picture = qvariant_cast<QPixmap>(decoration);
    if (written.isEmpty())
        QVERIFY(picture.isNull());
    else
        QCOMPARE(picture.toImage(), icons.value(written).toImage());
}

void TestDelegates::editorRule_data()
{
    QTest::addColumn<Kind>("kind");

    QTest::newRow("string list combo") << Kind::StrList;
    QTest::newRow("icon combo") << Kind::MapIcon;
    QTest::newRow("line edit") << Kind::LineEdit;
}

void TestDelegates::editorRule()
{
    QFETCH(Kind, kind);

    makeDelegate(kind);
    // A check box and a picture would push a default editor to the right of them.
    model->setData(cell(), "TK");
    model->setData(cell(), icons.value("TK"), Qt::DecorationRole);
    model->setData(cell(), Qt::Checked, Qt::CheckStateRole);

    QWidget *editor = openEditor(cell());
    QVERIFY(editor);
    QCOMPARE(editor->geometry(), view->visualRect(cell()));
}

void TestDelegates::lineEdit_data()
{
    QTest::addColumn<QString>("cellText");
    QTest::addColumn<QString>("typed"); // after Home
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("seconds");

    QTest::newRow("full duration") << "01 days 02:03:04" << "" << "01 days 02:03:04"
                                   << "01 days 02:03:04" << 93784;
    QTest::newRow("sentinel's text") << "00 days 23:59:58" << "" << "00 days 23:59:58"
                                     << "00 days 23:59:58" << 86398;
    QTest::newRow("one-digit days and hours keep their fields")
        << "1 days 2:03:04" << "" << "1  days 2 :03:04" << "1 days 2:03:04" << 93784;
    QTest::newRow("empty cell shows the bare mask")
        << "" << "" << "   days   :  :  " << " days ::" << 0;
    QTest::newRow("text after the mask is dropped")
        << "01 days 02:03:04 extra" << "" << "01 days 02:03:04" << "01 days 02:03:04" << 93784;
    QTest::newRow("minus sign does not fit a digit")
        << "-1 days 00:00:00" << "" << "1  days 00:00:00" << "1 days 00:00:00" << 86400;
    QTest::newRow("three-digit days do not fit the mask")
        << "100 days 00:00:00" << "" << "10 days 00:0 :00" << "10 days 00:0:00" << 864000;
    QTest::newRow("typed days replace the shown ones")
        << "01 days 02:03:04" << "12" << "12 days 02:03:04" << "12 days 02:03:04" << 1044184;
    QTest::newRow("typing skips the literal text")
        << "01 days 02:03:04" << "0005" << "00 days 05:03:04" << "00 days 05:03:04" << 18184;
    QTest::newRow("mask lets 99 hours through to the parser")
        << "00 days 00:00:00" << "0099" << "00 days 99:00:00" << "00 days 99:00:00"
        << InvalidDuration;
}

void TestDelegates::lineEdit()
{
    QFETCH(QString, cellText);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, written);
    QFETCH(int, seconds);

    QAbstractItemDelegate *delegate = makeDelegate(Kind::LineEdit);
    model->setData(cell(), cellText);

    auto *edit = qobject_cast<QLineEdit *>(openEditor(cell()));
    QVERIFY(edit);
    QCOMPARE(edit->inputMask(), QStringLiteral("09 \\d\\ays 09:99:99"));
    if (!typed.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClicks(edit, typed);
    }
    QCOMPARE(edit->displayText(), shown);

    // Return refuses a text the mask does not accept; leaving the cell commits it anyway.
    QSignalSpy changed(model, SIGNAL(itemChanged(QStandardItem *)));
    emit delegate->commitData(edit);
    emit delegate->closeEditor(edit);
    QCOMPARE(model->data(cell(), Qt::EditRole).toString(), written);
    QCOMPARE(changed.count(), written == cellText ? 0 : 1);
    QCOMPARE(parseDuration(written), seconds);
}

void TestDelegates::lineEditRefresh_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("shown");

    QTest::newRow("another full duration") << "01 days 02:03:04" << "00 days 00:10:00"
                                           << "00 days 00:10:00";
    QTest::newRow("shorter fields") << "11 days 12:13:14" << "1 days 2:03:04"
                                    << "1  days 2 :03:04";
    QTest::newRow("emptied cell") << "01 days 02:03:04" << "" << "   days   :  :  ";
}

void TestDelegates::lineEditRefresh()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, shown);

    makeDelegate(Kind::LineEdit);
    model->setData(cell(), first);
    auto *edit = qobject_cast<QLineEdit *>(openEditor(cell()));
    QVERIFY(edit);
    QTest::keyClick(edit, Qt::Key_End);

    // A cell changed under an open editor is fed to it again.
    model->setData(cell(), second);
    QCOMPARE(edit->displayText(), shown);
}

void TestDelegates::colorArming_data()
{
    QTest::addColumn<int>("eventType"); // QEvent::None: no event reaches the delegate
    QTest::addColumn<bool>("windowActive");
    QTest::addColumn<bool>("opens");

    QTest::newRow("mouse press in the active window") << int(QEvent::MouseButtonPress) << true
                                                      << true;
    QTest::newRow("key press in the active window") << int(QEvent::KeyPress) << true << true;
    QTest::newRow("mouse press in an inactive window")
        << int(QEvent::MouseButtonPress) << false << false;
    QTest::newRow("edit started without an event") << int(QEvent::None) << true << false;
}

void TestDelegates::colorArming()
{
    QFETCH(int, eventType);
    QFETCH(bool, windowActive);
    QFETCH(bool, opens);

    QAbstractItemDelegate *delegate = new ColorDialogDelegate(false, view);
    view->setItemDelegateForRow(0, delegate);
    setColorCell(0, Qt::red);
    answerer->answer = Qt::blue;

    QStyleOptionViewItem option = activeOption(cell());
    if (!windowActive)
        option.state &= ~QStyle::State_Active;
    const QPoint centre = option.rect.center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    QEvent *event = eventType == QEvent::KeyPress ? static_cast<QEvent *>(&key) : &press;
    if (eventType != QEvent::None)
        QCOMPARE(delegate->editorEvent(event, model, option, cell()), false);

    QSignalSpy changed(model, SIGNAL(dataChanged(QModelIndex, QModelIndex, QVector<int>)));
    QVERIFY(openEditor(cell()));
    QCOMPARE(answerer->opened, opens ? 1 : 0);
    QVERIFY(closeWithReturn(cell()));

    const QColor expected = opens ? QColor(Qt::blue) : QColor(Qt::red);
    QCOMPARE(cellColor(0, Qt::EditRole), expected);
    QCOMPARE(cellColor(0, Qt::DecorationRole), expected);
    QCOMPARE(changed.count(), opens ? 2 : 0);
    // The write itself feeds the open editor again; that must not reopen the dialog.
    QCOMPARE(answerer->opened, opens ? 1 : 0);
}

void TestDelegates::colorEdit_data()
{
    QTest::addColumn<bool>("showAlpha");
    QTest::addColumn<QColor>("initial");
    QTest::addColumn<QColor>("answer"); // invalid: cancel
    QTest::addColumn<QColor>("stored");

    QTest::newRow("colour accepted") << false << QColor(Qt::red) << QColor(10, 20, 30)
                                     << QColor(10, 20, 30);
    QTest::newRow("alpha kept with the alpha delegate")
        << true << QColor(1, 2, 3, 200) << QColor(10, 20, 30, 40) << QColor(10, 20, 30, 40);
    QTest::newRow("alpha dropped without the alpha channel")
        << false << QColor(Qt::red) << QColor(10, 20, 30, 40) << QColor(10, 20, 30);
    QTest::newRow("cancel leaves the cell") << false << QColor(Qt::red) << QColor()
                                            << QColor(Qt::red);
    QTest::newRow("cancel with the alpha delegate leaves the cell")
        << true << QColor(1, 2, 3, 200) << QColor() << QColor(1, 2, 3, 200);
}

void TestDelegates::colorEdit()
{
    QFETCH(bool, showAlpha);
    QFETCH(QColor, initial);
    QFETCH(QColor, answer);
    QFETCH(QColor, stored);

    QAbstractItemDelegate *delegate = new ColorDialogDelegate(showAlpha, view);
    view->setItemDelegateForRow(0, delegate);
    setColorCell(0, initial);
    answerer->answer = answer;

    QMouseEvent press(QEvent::MouseButtonPress, view->visualRect(cell()).center(),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCOMPARE(delegate->editorEvent(&press, model, activeOption(cell()), cell()), false);
    QSignalSpy changed(model, SIGNAL(dataChanged(QModelIndex, QModelIndex, QVector<int>)));
    QVERIFY(openEditor(cell()));
    QCOMPARE(answerer->opened, 1);
    QCOMPARE(answerer->initial, initial);
    QCOMPARE(answerer->alphaShown, showAlpha);
    QVERIFY(!answerer->hadParent);
    QVERIFY(closeWithReturn(cell()));

    QCOMPARE(cellColor(0, Qt::EditRole), stored);
    QCOMPARE(cellColor(0, Qt::DecorationRole), stored);
    if (!answer.isValid()) {
        QCOMPARE(changed.count(), 0);
        return;
    }
    // Value first, then the swatch.
    QCOMPARE(changed.count(), 2);
    QVERIFY(changed.at(0).at(2).value<QVector<int>>().contains(Qt::EditRole));
    QCOMPARE(changed.at(1).at(2).value<QVector<int>>(), QVector<int>{Qt::DecorationRole});
}

void TestDelegates::colorSecondEdit_data()
{
    QTest::addColumn<QColor>("firstAnswer");
    QTest::addColumn<QColor>("secondAnswer"); // invalid: cancel
    QTest::addColumn<QColor>("secondCell");

    QTest::newRow("cancel after an accepted colour writes nothing")
        << QColor(Qt::blue) << QColor() << QColor(Qt::green);
    QTest::newRow("second colour replaces the first")
        << QColor(Qt::blue) << QColor(Qt::yellow) << QColor(Qt::yellow);
}

void TestDelegates::colorSecondEdit()
{
    QFETCH(QColor, firstAnswer);
    QFETCH(QColor, secondAnswer);
    QFETCH(QColor, secondCell);

    // One delegate shared by two rows, as the property table shares it.
    QAbstractItemDelegate *delegate = new ColorDialogDelegate(false, view);
    view->setItemDelegateForRow(0, delegate);
    view->setItemDelegateForRow(1, delegate);
    setColorCell(0, Qt::red);
    setColorCell(1, Qt::green);
    QMouseEvent press(QEvent::MouseButtonPress, QPoint(), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);

    answerer->answer = firstAnswer;
    delegate->editorEvent(&press, model, activeOption(cell(0)), cell(0));
    QVERIFY(openEditor(cell(0)));
    QVERIFY(closeWithReturn(cell(0)));
    QCOMPARE(cellColor(0, Qt::EditRole), firstAnswer);

    answerer->answer = secondAnswer;
    delegate->editorEvent(&press, model, activeOption(cell(1)), cell(1));
    QVERIFY(openEditor(cell(1)));
    QVERIFY(closeWithReturn(cell(1)));
    QCOMPARE(answerer->opened, 2);
    QCOMPARE(answerer->initial, QColor(Qt::green));
    QCOMPARE(cellColor(1, Qt::EditRole), secondCell);
    QCOMPARE(cellColor(1, Qt::DecorationRole), secondCell);
    QCOMPARE(cellColor(0, Qt::EditRole), firstAnswer);
}

void TestDelegates::colorDoubleClick()
{
    view->setItemDelegateForRow(0, new ColorDialogDelegate(false, view));
    view->setEditTriggers(QAbstractItemView::DoubleClicked);
    setColorCell(0, Qt::red);
    answerer->answer = Qt::cyan;
    view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view));

    // Mouse events reach the delegate before the double click opens the editor.
    const QPoint centre = view->visualRect(cell()).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QCOMPARE(answerer->opened, 0);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTRY_COMPARE(answerer->opened, 1);
    QVERIFY(closeWithReturn(cell()));
    QCOMPARE(cellColor(0, Qt::EditRole), QColor(Qt::cyan));
    QCOMPARE(cellColor(0, Qt::DecorationRole), QColor(Qt::cyan));
}

QTEST_MAIN(TestDelegates)
#include "tst_delegates.moc"
