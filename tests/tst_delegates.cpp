// The four property editors in a table view, as the property table uses them.
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

// Answers each modal colour dialog from inside its loop with answer, or cancels it when that is
// invalid, noting what it opened with; any other modal window is closed, so a wrong turn fails
// a test instead of hanging it.
struct ColorDialogAnswer : QObject
{
    QColor answer, initial;
    int opened = 0;
    bool alphaShown = false;
    QTimer timer;

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
            if (answer.isValid())
                dialog->setCurrentColor(answer);
            answer.isValid() ? dialog->accept() : dialog->reject();
        });
        timer.start(10);
    }
};

struct Text { int kind; QString cell, shown, input, written; };
struct Colour { bool active, showAlpha; QColor earlier, answer, stored; };
Q_DECLARE_METATYPE(Text)
Q_DECLARE_METATYPE(Colour)

class TestDelegates : public QObject
{
    Q_OBJECT

    QMap<QString, QPixmap> icons;
    QStringList scheduleList;
    std::unique_ptr<QStandardItemModel> model;
    std::unique_ptr<QTableView> view; // deletes the delegates, which it parents
    ColorDialogAnswer answerer;

    QModelIndex cell(int row = 0) const { return model->index(row, 1); }

    // On a row whose cell has a check box, which would push a default editor to its right.
    QAbstractItemDelegate *install(QAbstractItemDelegate *delegate, int row = 0)
    {
        view->setItemDelegateForRow(row, delegate);
        model->setData(cell(row), Qt::Checked, Qt::CheckStateRole);
        return delegate;
    }

    // Opens the cell's editor, lets it be worked, then commits and closes it as leaving the
    // cell does.
    template <typename Work>
    void edit(QAbstractItemDelegate *delegate, int row, Work work)
    {
        view->setCurrentIndex(cell(row));
        view->edit(cell(row));
        QWidget *editor = view->indexWidget(cell(row));
        QVERIFY(editor);
        work(editor);
        emit delegate->commitData(editor);
        emit delegate->closeEditor(editor);
    }

    // What the view hands the delegate for a press on the cell.
    bool press(QAbstractItemDelegate *delegate, int row, bool active = true)
    {
        QStyleOptionViewItem option;
        option.rect = view->visualRect(cell(row));
        option.state = active ? QStyle::State_Enabled | QStyle::State_Active
                              : QStyle::State_Enabled;
        QMouseEvent event(QEvent::MouseButtonPress, option.rect.center(), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        return delegate->editorEvent(&event, model.get(), option, cell(row));
    }

    QColor value(int row, int role = Qt::EditRole) const
    {
        return qvariant_cast<QColor>(model->data(cell(row), role));
    }

private slots:
    void initTestCase() { Q_INIT_RESOURCE(operativecheck); }

    void init()
    {
        const QString path = QStringLiteral(":/icon/resource/");
        icons = {{"Center", QPixmap(path + "Centr.png")}, {"House", QPixmap(path + "House.png")},
                 {"Hospital", QPixmap(path + "hospital.png")}, {"TK", QPixmap(path + "tk.png")}};
        scheduleList = QStringList{"AtStart", "EveryDay", "Weekly", "Monthly", "Plan Perehvat"};
        model = std::make_unique<QStandardItemModel>(3, 2);
        view = std::make_unique<QTableView>();
        view->setModel(model.get());
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        answerer.opened = 0;
    }

    void cleanup() { view.reset(); }

    // The combos list the caller's entries as they are when one opens, and open on the one
    // that matches the cell exactly, or on none; the line edit fits the cell into its mask.
    // A cell changed under an open editor is fed to it again.
    void textEditors_data()
    {
        // Kind 0 list, 1 icons, 2 line edit; the cell's text, what the editor shows, a combo
        // entry to choose or keys typed from Home, what is written back.
        QTest::addColumn<Text>("c");
        QTest::newRow("list: other case selects nothing") << Text{0, "weekly", "", "", ""};
        QTest::newRow("list: choose Monthly") << Text{0, "Weekly", "Weekly", "Monthly", "Monthly"};
        QTest::newRow("icons: choose Hospital")
            << Text{1, "House", "House", "Hospital", "Hospital"};
        QTest::newRow("line edit: one-digit days and hours keep their fields")
            << Text{2, "1 days 2:03:04", "1  days 2 :03:04", "05", "05 days 2:03:04"};
    }

    void textEditors()
    {
        QFETCH(Text, c);
        QAbstractItemDelegate *line = new LineEditDelegate(durationInputMask(), view.get());
        QAbstractItemDelegate *delegate = install(
            c.kind == 0   ? new CmbBoxDelegateOnStrList(&scheduleList, view.get())
            : c.kind == 1 ? new CmbBoxDelegateOnMapIcon(&icons, view.get())
                          : line);
        scheduleList << "Extra";
        icons.insert("Extra", QPixmap(":/icon/resource/Glass.png"));
        model->setData(cell(), "11 days 12:13:14");
        // An earlier picture, to see that the icon combo replaces it in every case.
        model->setData(cell(), QPixmap(":/icon/resource/Kill.png"), Qt::DecorationRole);

        edit(delegate, 0, [&](QWidget *editor) {
            QCOMPARE(editor->geometry(), view->visualRect(cell()));
            auto *combo = qobject_cast<QComboBox *>(editor);
            auto *line = qobject_cast<QLineEdit *>(editor);
            QTest::keyClick(editor, Qt::Key_End);
            model->setData(cell(), c.cell);
            if (line) {
                QCOMPARE(line->inputMask(), durationInputMask());
                QCOMPARE(line->displayText(), c.shown);
                QTest::keyClick(line, Qt::Key_Home);
                return QTest::keyClicks(line, c.input);
            }
            QVERIFY(combo && !combo->isEditable());
            QStringList entries;
            for (int i = 0; i < combo->count(); ++i) {
                entries << combo->itemText(i);
                const QImage picture = icons.value(entries.last()).toImage();
                if (c.kind == 1)
                    QCOMPARE(combo->itemIcon(i).pixmap(picture.size()).toImage(), picture);
            }
            QCOMPARE(entries, c.kind == 1 ? icons.keys() : scheduleList); // icons in name order
            QCOMPARE(combo->currentText(), c.shown);
            if (!c.input.isEmpty())
                combo->setCurrentIndex(combo->findText(c.input));
        });
        QCOMPARE(model->data(cell(), Qt::EditRole).toString(), c.written);
        const QPixmap decoration = qvariant_cast<QPixmap>(model->data(cell(), Qt::DecorationRole));
        if (c.kind == 1)
            QCOMPARE(decoration.toImage(), icons.value(c.written).toImage());
        else
            QVERIFY(!decoration.isNull());
    }

    // The dialog opens only for an edit the operator started in the active window.
    void colorEditor_data()
    {
        // Pressed in the active window or not; the alpha delegate; a colour first chosen in
        // another row (when valid); the answer (invalid: cancel); the colour stored.
        QTest::addColumn<Colour>("c");
        const QColor initial(1, 2, 3, 200), clear(10, 20, 30, 40), none;
        QTest::newRow("alpha kept by the alpha delegate") << Colour{true, true, none, clear, clear};
        QTest::newRow("alpha dropped without the alpha channel")
            << Colour{true, false, none, clear, QColor(10, 20, 30)};
        QTest::newRow("cancel after a colour chosen in another row")
            << Colour{true, false, QColor(Qt::blue), none, initial};
        QTest::newRow("press in an inactive window: no dialog")
            << Colour{false, false, none, clear, initial};
    }

    void colorEditor()
    {
        QFETCH(Colour, c);
        auto *delegate = install(new ColorDialogDelegate(c.showAlpha, view.get()));
        const QColor initial(1, 2, 3, 200);
        for (int role : {Qt::EditRole, Qt::DecorationRole})
            model->setData(cell(), initial, role);
        if (c.earlier.isValid()) { // one delegate shared by rows, as the property table shares it
            answerer.answer = c.earlier;
            QVERIFY(!press(install(delegate, 1), 1));
            edit(delegate, 1, [](QWidget *) {});
            QCOMPARE(value(1), c.earlier);
            answerer.opened = 0;
        }
        answerer.answer = c.answer;
        QVERIFY(!press(delegate, 0, c.active)); // the view still handles the event
        edit(delegate, 0, [&](QWidget *) { QCOMPARE(answerer.opened, int(c.active)); });
        // The write itself feeds the open editor again; that must not reopen the dialog.
        QCOMPARE(answerer.opened, int(c.active));
        QCOMPARE(value(0), c.stored);
        QCOMPARE(value(0, Qt::DecorationRole), c.stored);
        if (answerer.opened) {
            QCOMPARE(answerer.initial, c.showAlpha ? initial : QColor(initial.rgb()));
            QCOMPARE(answerer.alphaShown, c.showAlpha);
        }
    }
};

QTEST_MAIN(TestDelegates)
#include "tst_delegates.moc"
