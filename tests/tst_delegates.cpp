#include "delegates/CmbBoxDelegateOnMapIcon.h"
#include "delegates/CmbBoxDelegateOnStrList.h"
#include "delegates/ColorDialogDelegate.h"
#include "delegates/LineEditDelegate.h"
#include "calendar/Duration.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QtTest>

enum class Kind { StrList, MapIcon };
Q_DECLARE_METATYPE(Kind)

using Swatch = QPair<QColor, QColor>; // a colour cell's value and decoration

// Answers every modal colour dialog from inside its event loop with the given
// colour, or cancels it when that is invalid; records what it opened with. Any
// other modal window is closed, so a wrong turn fails a test instead of hanging it.
class ColorDialogAnswer : public QObject
{
public:
    ColorDialogAnswer()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            auto *dialog = qobject_cast<QColorDialog *>(modal);
            if (modal && !dialog)
                modal->close();
            if (!dialog)
                return;
            ++opened;
            initial = dialog->currentColor();
            alphaShown = dialog->testOption(QColorDialog::ShowAlphaChannel);
            hadParent = dialog->parentWidget() != nullptr;
            if (answer.isValid())
                dialog->setCurrentColor(answer);
            answer.isValid() ? dialog->accept() : dialog->reject();
        });
        timer.start(10);
    }

    QColor answer;
    int opened = 0;
    QColor initial;
    bool alphaShown = false;
    bool hadParent = false;

private:
    QTimer timer;
};

class TestDelegates : public QObject
{
    Q_OBJECT

    QMap<QString, QPixmap> icons;
    QStringList scheduleList;
    QStandardItemModel *model = nullptr;
    QTableView *view = nullptr;
    ColorDialogAnswer *answerer = nullptr;

    QModelIndex cell(int row = 0) const { return model->index(row, 1); }

    // Installs the delegate on row 0, whose cell has a check box: that would push
    // a default editor to the right of it.
    template <typename Delegate>
    Delegate *install(Delegate *delegate)
    {
        view->setItemDelegateForRow(0, delegate);
        model->setData(cell(), Qt::Checked, Qt::CheckStateRole);
        return delegate;
    }

    QWidget *openEditor(const QModelIndex &index)
    {
        view->setCurrentIndex(index);
        view->edit(index);
        return view->indexWidget(index);
    }

    // The delegate commits on Return after the editor saw the key, from a queued call.
    bool closeWithReturn(const QModelIndex &index)
    {
        QWidget *editor = view->indexWidget(index);
        if (editor)
            QTest::keyClick(editor, Qt::Key_Return);
        return editor && QTest::qWaitFor([this, index] { return !view->indexWidget(index); });
    }

    void setSwatch(int row, const QColor &color)
    {
        model->setData(cell(row), color, Qt::EditRole);
        model->setData(cell(row), color, Qt::DecorationRole);
    }

    Swatch swatch(int row) const
    {
        return {qvariant_cast<QColor>(model->data(cell(row), Qt::EditRole)),
                qvariant_cast<QColor>(model->data(cell(row), Qt::DecorationRole))};
    }

    // What the view hands the delegate for a press on the cell.
    bool press(QAbstractItemDelegate *delegate, int row, bool active = true)
    {
        QStyleOptionViewItem option;
        option.rect = view->visualRect(cell(row));
        option.state = QStyle::State_Enabled;
        if (active)
            option.state |= QStyle::State_Active;
        QMouseEvent event(QEvent::MouseButtonPress, option.rect.center(), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        return delegate->editorEvent(&event, model, option, cell(row));
    }

private slots:
    void initTestCase() { Q_INIT_RESOURCE(operativecheck); }

    void init()
    {
        const QString path = QStringLiteral(":/icon/resource/");
        icons = {{"Center", QPixmap(path + "Centr.png")}, {"House", QPixmap(path + "House.png")},
                 {"Hospital", QPixmap(path + "hospital.png")}, {"TK", QPixmap(path + "tk.png")}};
        for (const QPixmap &picture : qAsConst(icons))
            QVERIFY(!picture.isNull());
        scheduleList = QStringList{"AtStart", "EveryDay", "Weekly", "Monthly", "Plan Perehvat"};
        model = new QStandardItemModel(3, 2);
        view = new QTableView;
        view->setModel(model);
        view->resize(480, 240);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        answerer = new ColorDialogAnswer;
    }

    void cleanup()
    {
        delete answerer;
        delete view; // deletes the delegates, which it parents
        delete model;
    }

    // The combo lists the caller's entries as they are when it opens, and opens on
    // the one that matches the cell exactly, or on none.
    void combo_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("cellText");
        QTest::addColumn<QString>("choice"); // empty: close as opened
        QTest::addColumn<QString>("written");

        QTest::newRow("list: exact text, with a space")
            << Kind::StrList << "Plan Perehvat" << "" << "Plan Perehvat";
        QTest::newRow("list: other case selects nothing") << Kind::StrList << "weekly" << "" << "";
        QTest::newRow("list: prefix selects nothing") << Kind::StrList << "Week" << "" << "";
        QTest::newRow("list: choose Monthly") << Kind::StrList << "Weekly" << "Monthly"
                                              << "Monthly";
        QTest::newRow("icons: exact name") << Kind::MapIcon << "TK" << "" << "TK";
        QTest::newRow("icons: unknown name selects nothing") << Kind::MapIcon << "Castle" << ""
                                                             << "";
        QTest::newRow("icons: choose Hospital") << Kind::MapIcon << "House" << "Hospital"
                                                << "Hospital";
    }

    void combo()
    {
        QFETCH(Kind, kind);
        QFETCH(QString, cellText);
        QFETCH(QString, choice);
        QFETCH(QString, written);
        const bool withIcons = kind == Kind::MapIcon;
        if (withIcons)
            install(new CmbBoxDelegateOnMapIcon(&icons, view));
        else
            install(new CmbBoxDelegateOnStrList(&scheduleList, view));
        scheduleList << "Extra";
        icons.insert("Extra", QPixmap(":/icon/resource/Glass.png"));
        model->setData(cell(), cellText);
        // An earlier picture, to see that the icon combo replaces it in every case.
        if (withIcons)
            model->setData(cell(), QPixmap(":/icon/resource/Kill.png"), Qt::DecorationRole);

        auto *combo = qobject_cast<QComboBox *>(openEditor(cell()));
        QVERIFY(combo);
        QVERIFY(!combo->isEditable());
        QCOMPARE(combo->geometry(), view->visualRect(cell()));
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i) {
            entries << combo->itemText(i);
            const QPixmap picture = icons.value(entries.last());
            if (withIcons)
                QCOMPARE(combo->itemIcon(i).pixmap(picture.size()).toImage(), picture.toImage());
        }
        QCOMPARE(entries, withIcons ? icons.keys() : scheduleList); // icons in name order
        if (!choice.isEmpty())
            combo->setCurrentIndex(combo->findText(choice));
        QVERIFY(closeWithReturn(cell()));

        QCOMPARE(model->data(cell(), Qt::EditRole).toString(), written);
        const QVariant decoration = model->data(cell(), Qt::DecorationRole);
        QCOMPARE(decoration.isValid(), withIcons);
        if (withIcons)
            QCOMPARE(qvariant_cast<QPixmap>(decoration).toImage(), icons.value(written).toImage());
    }

    void lineEdit_data()
    {
        QTest::addColumn<QString>("cellText");
        QTest::addColumn<QString>("typed"); // after Home
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("seconds");

        QTest::newRow("one-digit days and hours keep their fields")
            << "1 days 2:03:04" << "" << "1  days 2 :03:04" << "1 days 2:03:04" << 93784;
        QTest::newRow("empty cell shows the bare mask")
            << "" << "" << "   days   :  :  " << " days ::" << 0;
        QTest::newRow("typing skips the literal text")
            << "01 days 02:03:04" << "0005" << "00 days 05:03:04" << "00 days 05:03:04" << 18184;
        QTest::newRow("mask lets 99 hours through to the parser")
            << "00 days 00:00:00" << "0099" << "00 days 99:00:00" << "00 days 99:00:00"
            << InvalidDuration;
    }

    void lineEdit()
    {
        QFETCH(QString, cellText);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, written);
        QFETCH(int, seconds);
        auto *delegate = install(new LineEditDelegate(durationInputMask(), view));
        model->setData(cell(), "11 days 12:13:14");
        auto *edit = qobject_cast<QLineEdit *>(openEditor(cell()));
        QVERIFY(edit);
        QCOMPARE(edit->inputMask(), durationInputMask());
        QCOMPARE(edit->geometry(), view->visualRect(cell()));
        // A cell changed under an open editor is fed to it again, replacing its text.
        QTest::keyClick(edit, Qt::Key_End);
        model->setData(cell(), cellText);
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->displayText(), shown);

        // Return refuses a text the mask does not accept; leaving the cell commits it anyway.
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        emit delegate->commitData(edit);
        emit delegate->closeEditor(edit);
        QCOMPARE(model->data(cell(), Qt::EditRole).toString(), written);
        QCOMPARE(changed.count(), written == cellText ? 0 : 1);
        QCOMPARE(parseDuration(written), seconds);
    }

    // The dialog opens only for an edit the operator started in the active window.
    void colorEdit_data()
    {
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("showAlpha");
        QTest::addColumn<QColor>("answer"); // invalid: cancel
        QTest::addColumn<QColor>("stored");

        const QColor initial(1, 2, 3, 200);
        const QColor clear(10, 20, 30, 40);
        QTest::newRow("alpha kept with the alpha delegate")
            << true << true << true << clear << clear;
        QTest::newRow("alpha dropped without the alpha channel")
            << true << true << false << clear << QColor(10, 20, 30);
        QTest::newRow("cancel leaves the cell") << true << true << true << QColor() << initial;
        QTest::newRow("press in an inactive window: no dialog")
            << true << false << false << clear << initial;
        QTest::newRow("edit started without an event: no dialog")
            << false << true << false << clear << initial;
    }

    void colorEdit()
    {
        QFETCH(bool, pressed);
        QFETCH(bool, active);
        QFETCH(bool, showAlpha);
        QFETCH(QColor, answer);
        QFETCH(QColor, stored);
        auto *delegate = install(new ColorDialogDelegate(showAlpha, view));
        setSwatch(0, QColor(1, 2, 3, 200));
        answerer->answer = answer;
        if (pressed)
            QCOMPARE(press(delegate, 0, active), false); // the view still handles the event

        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        QVERIFY(openEditor(cell()));
        const int opened = pressed && active ? 1 : 0;
        QCOMPARE(answerer->opened, opened);
        QVERIFY(closeWithReturn(cell()));
        // The write itself feeds the open editor again; that must not reopen the dialog.
        QCOMPARE(answerer->opened, opened);
        QCOMPARE(swatch(0), Swatch(stored, stored));
        if (opened) {
            const QColor initial(1, 2, 3, 200);
            QCOMPARE(answerer->initial, showAlpha ? initial : QColor(initial.rgb()));
            QCOMPARE(answerer->alphaShown, showAlpha);
            QVERIFY(!answerer->hadParent);
        }
        // Value first, then the swatch; nothing after a cancel.
        QCOMPARE(changed.count(), opened && answer.isValid() ? 2 : 0);
        if (changed.isEmpty())
            return;
        QVERIFY(changed.at(0).at(2).value<QVector<int>>().contains(Qt::EditRole));
        QCOMPARE(changed.at(1).at(2).value<QVector<int>>(), QVector<int>{Qt::DecorationRole});
    }

    // One delegate shared by two rows, as the property table shares it: a cancel
    // after an accepted colour writes nothing.
    void colorSharedCancel()
    {
        auto *delegate = install(new ColorDialogDelegate(false, view));
        view->setItemDelegateForRow(1, delegate);
        setSwatch(0, Qt::red);
        setSwatch(1, Qt::green);
        for (int row = 0; row < 2; ++row) {
            answerer->answer = row == 0 ? QColor(Qt::blue) : QColor();
            press(delegate, row);
            QVERIFY(openEditor(cell(row)));
            QVERIFY(closeWithReturn(cell(row)));
        }
        QCOMPARE(answerer->opened, 2);
        QCOMPARE(answerer->initial, QColor(Qt::green));
        QCOMPARE(swatch(0), Swatch(Qt::blue, Qt::blue));
        QCOMPARE(swatch(1), Swatch(Qt::green, Qt::green));
    }

    // Mouse events reach the delegate before the double click opens the editor.
    void colorDoubleClick()
    {
        install(new ColorDialogDelegate(false, view));
        view->setEditTriggers(QAbstractItemView::DoubleClicked);
        setSwatch(0, Qt::red);
        answerer->answer = Qt::cyan;
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view));
        const QPoint centre = view->visualRect(cell()).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QCOMPARE(answerer->opened, 0);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTRY_COMPARE(answerer->opened, 1);
        QVERIFY(closeWithReturn(cell()));
        QCOMPARE(swatch(0), Swatch(Qt::cyan, Qt::cyan));
    }
};

QTEST_MAIN(TestDelegates)
#include "tst_delegates.moc"
