// The channel table editor and its batch dialog under the offscreen platform, with a scripted
// driver; stored rows are read back with the sqlite3 tool.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegExpValidator>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "ChannelCoefficientFile.h"
#include "ChannelConfigAdd.h"
#include "ChannelConfigBatch.h"
#include "ChannelConfigNew.h"
#include "TestDb.h"
#include "Terms.h"
#include "test_channelconfig_driver.h"
#include "test_channelconfig_modal.h"
#include "test_channelconfig_terms.h"

namespace {

const QString TC = QStringLiteral("热电偶");
const QString PRT = QStringLiteral("铂电阻");

void scriptDriver(ScriptedCollection &d)
{
    for (int n = 101; n <= 110; ++n)
        d.numbers << QString::number(n);
    d.defaultTypes = QStringList{TC, PRT};
    d.typesByChannel.insert(103, QStringList{PRT});
    d.functionsByType.insert(TC, QStringList{"K", "J", "T"});
    d.functionsByType.insert(PRT, QStringList{"PT100", "PT1000"});
    d.wiringByType.insert(TC, QStringList{"二线制"});
    d.wiringByType.insert(PRT, QStringList{"三线制", "四线制"});
    d.unitsByType.insert(TC, QStringList{"℃", "mV"});
    d.unitsByType.insert(PRT, QStringList{"℃", "Ω"});
    d.unitsByType.insert(QStringLiteral("All"), QStringList{"℃", "mV", "Ω", "℉"});
    d.maskByFunction.insert("K", {true, true, true, false, false, false, false, true, true});
    d.maskByFunction.insert("PT100", {false, false, false, false, true, false, false, false, true});
    d.maskByFunction.insert("PT1000", {true, true, true, true, true, true, true, true, true});
    d.maskByFunction.insert("J", {true});   // too short: the fields stay as they are
    d.compensations = QStringList{"内部补偿", "固定冷端"};
}

ChannelConfigData header(int count, const QString &name = QStringLiteral("cfg"))
{
    ChannelConfigData h;
    h.Name = name;
    h.Mode = QStringLiteral("1586A");
    h.ChannelCount = count;
    h.Compensation = QStringLiteral("固定冷端");
    h.ColdJunction = QStringLiteral("21.5");
    return h;
}

QString shown(const QString &stored)
{
    return translateTerm(stored);
}

} // namespace

class TestChannelConfigEditor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void defaultRowsFollowTheDriver();
    void emptyAndShortOptionListsGiveEmptyCells();
    void comboChoicesFollowTheDriver_data();
    void comboChoicesFollowTheDriver();
    void numberChoiceRewritesTheLabel();
    void typeChoiceResetsOnlyTheFunction();
    void noEditorOnCheckAndSerialColumns_data();
    void noEditorOnCheckAndSerialColumns();
    void oneEditorAtATime();
    void lineEditorsValidateNumbers();
    void selectAllTwice();
    void enterInACellEditorPressesNoButton();
    void batchNeedsCheckedRows();
    void batchFillsCheckedRows();
    void batchCancelChangesNothing();
    void batchDialogFollowsTheDriver();
    void batchRefusesNonNumbers_data();
    void batchRefusesNonNumbers();
    void importWritesByRowPosition_data();
    void importWritesByRowPosition();
    void saveRefuses_data();
    void saveRefuses();
    void saveRefusesColdJunction();
    void saveStoresTheRow();
    void saveCommitsAnOpenEditor();
    void saveReportsDatabaseFailure();

private:
    ChannelConfigAdd *makeEditor(int count, const ChannelConfigData &h);
    QTableWidget *table() const;
    QString cell(int row, int column) const;
    QCheckBox *box(int row, int column) const;
    void doubleClick(int row, int column);
    void click(int row, int column);
    void pickInCombo(int row, int column, const QString &text);
    void typeInLine(int row, int column, const QString &text);
    void press(const char *button);
    int storedRows();

    QScopedPointer<QTemporaryDir> dir;   // removed with the test object
    QString dbPath;
    QTranslator translator;
    ScriptedCollection *driver = nullptr;
    ChannelConfigAdd *editor = nullptr;
    ModalAnswers *modal = nullptr;
};

void TestChannelConfigEditor::initTestCase()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    QVERIFY(QDir::setCurrent(dir->path()));
    // Shown terms differ from stored ones, as under the English interface.
    QVERIFY(installTestTerms(dir->path(), translator));
    QCOMPARE(shown(TC), QStringLiteral("Thermocouple"));
}

void TestChannelConfigEditor::init()
{
    dbPath = TestDb::openFreshDefault(dir->path());
    QVERIFY(!dbPath.isEmpty());
    driver = new ScriptedCollection;
    scriptDriver(*driver);
    modal = new ModalAnswers;
}

void TestChannelConfigEditor::cleanup()
{
    delete editor;
    editor = nullptr;
    delete modal;
    modal = nullptr;
    delete driver;
    driver = nullptr;
    TestDb::closeDefault();
}

ChannelConfigAdd *TestChannelConfigEditor::makeEditor(int count, const ChannelConfigData &h)
{
    Q_UNUSED(count)
    editor = new ChannelConfigAdd;
    editor->setConfig(driver, h);
    editor->show();
    return editor;
}

QTableWidget *TestChannelConfigEditor::table() const
{
    return editor->findChild<QTableWidget *>(QStringLiteral("tableWidget_List"));
}

QString TestChannelConfigEditor::cell(int row, int column) const
{
    const QTableWidgetItem *item = table()->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
}

QCheckBox *TestChannelConfigEditor::box(int row, int column) const
{
    QWidget *w = table()->cellWidget(row, column);
    return w ? w->findChild<QCheckBox *>() : nullptr;
}

void TestChannelConfigEditor::doubleClick(int row, int column)
{
    // A user's double-click: the click comes first.
    emit table()->cellClicked(row, column);
    emit table()->cellDoubleClicked(row, column);
}

void TestChannelConfigEditor::click(int row, int column)
{
    emit table()->cellClicked(row, column);
}

void TestChannelConfigEditor::pickInCombo(int row, int column, const QString &text)
{
    doubleClick(row, column);
    auto *combo = qobject_cast<QComboBox *>(table()->cellWidget(row, column));
    QVERIFY2(combo, "no combo-box editor opened");
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
    click(row == 0 ? 1 : 0, 3);   // a click elsewhere closes the editor
}

void TestChannelConfigEditor::typeInLine(int row, int column, const QString &text)
{
    doubleClick(row, column);
    auto *edit = qobject_cast<QLineEdit *>(table()->cellWidget(row, column));
    QVERIFY2(edit, "no line editor opened");
    edit->setText(text);
    click(row == 0 ? 1 : 0, 1);
}

void TestChannelConfigEditor::press(const char *button)
{
    auto *b = editor->findChild<QPushButton *>(QString::fromLatin1(button));
    QVERIFY(b);
    b->click();
}

int TestChannelConfigEditor::storedRows()
{
    bool ok = false;
    const auto rows = TestDb::sqlite3Table(dbPath, "select count(*) from ChannelConfig;", &ok);
    return ok && !rows.isEmpty() ? rows.first().value(0).toInt() : -1;
}

void TestChannelConfigEditor::defaultRowsFollowTheDriver()
{
    makeEditor(3, header(3));
    QCOMPARE(driver->numberCounts.value(0), 3);
    QCOMPARE(table()->columnCount(), 21);
    QCOMPARE(table()->rowCount(), 3);
    QCOMPARE(editor->findChild<QLineEdit *>("lineEdit_Name")->text(), QStringLiteral("cfg"));
    QCOMPARE(editor->findChild<QLineEdit *>("lineEdit_Number")->text(), QStringLiteral("3"));
    const QStringList numbers{"101", "102", "103"};
    const QStringList types{shown(TC), shown(TC), shown(PRT)};
    const QStringList functions{"K", "K", "PT100"};
    const QStringList wiring{shown("二线制"), shown("二线制"), shown("三线制")};
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(cell(r, 1), QString::number(r + 1));
        QCOMPARE(table()->item(r, 1)->flags(), Qt::ItemFlags(Qt::ItemIsEditable));
        QCOMPARE(cell(r, 2), numbers.at(r));
        QCOMPARE(cell(r, 3), QStringLiteral("CH") + numbers.at(r));
        QCOMPARE(cell(r, 4), types.at(r));
        QCOMPARE(cell(r, 5), functions.at(r));
        QCOMPARE(cell(r, 6), wiring.at(r));
        QCOMPARE(cell(r, 7), QStringLiteral("1"));
        QCOMPARE(cell(r, 8), QStringLiteral("0"));
        QCOMPARE(cell(r, 9), QStringLiteral("℃"));
        for (int c = 10; c <= 16; ++c)
            QCOMPARE(cell(r, c), QStringLiteral("0"));
        QCOMPARE(cell(r, 18), QStringLiteral("0"));
        QCOMPARE(cell(r, 20), QStringLiteral("100"));
        for (int c : {0, 17, 19}) {
            QVERIFY(box(r, c));
            QVERIFY(!box(r, c)->isChecked());
        }
        QVERIFY(!(table()->item(r, 3)->flags() & Qt::ItemIsEditable));
    }
}

void TestChannelConfigEditor::emptyAndShortOptionListsGiveEmptyCells()
{
    driver->numbers = QStringList{"101"};   // shorter than the table
    driver->defaultTypes.clear();          // no types at all
    makeEditor(2, header(2));
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(cell(0, 2), QStringLiteral("101"));
    QCOMPARE(cell(1, 2), QString());
    QCOMPARE(cell(1, 3), QStringLiteral("CH"));
    for (int c = 4; c <= 6; ++c)
        QCOMPARE(cell(0, c), QString());
    QCOMPARE(cell(0, 9), QString());
    // A combo editor on an empty list opens and closes without a choice.
    doubleClick(0, 4);
    auto *combo = qobject_cast<QComboBox *>(table()->cellWidget(0, 4));
    QVERIFY(combo);
    QCOMPARE(combo->count(), 0);
    click(1, 1);
    QCOMPARE(cell(0, 4), QString());
    QVERIFY(!table()->cellWidget(0, 4));
}

void TestChannelConfigEditor::comboChoicesFollowTheDriver_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("choices");
    QTest::addColumn<QString>("current");
    QStringList numbers;
    for (int n = 101; n <= 110; ++n)
        numbers << QString::number(n);
    QTest::newRow("numbers") << 1 << 2 << numbers << "102";
    QTest::newRow("types of channel 101") << 0 << 4 << QStringList{shown(TC), shown(PRT)}
                                          << shown(TC);
    QTest::newRow("types of channel 103") << 2 << 4 << QStringList{shown(PRT)} << shown(PRT);
    QTest::newRow("functions of a thermocouple") << 0 << 5 << QStringList{"K", "J", "T"} << "K";
    QTest::newRow("functions of a PRT") << 2 << 5 << QStringList{"PT100", "PT1000"} << "PT100";
    QTest::newRow("wiring of a PRT") << 2 << 6 << QStringList{shown("三线制"), shown("四线制")}
                                     << shown("三线制");
    QTest::newRow("units of a thermocouple") << 0 << 9 << QStringList{"℃", "mV"} << "℃";
    QTest::newRow("units of a PRT") << 2 << 9 << QStringList{"℃", "Ω"} << "℃";
}

void TestChannelConfigEditor::comboChoicesFollowTheDriver()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QStringList, choices);
    QFETCH(QString, current);
    makeEditor(3, header(3));
    driver->typeQueries.clear();
    doubleClick(row, column);
    auto *combo = qobject_cast<QComboBox *>(table()->cellWidget(row, column));
    QVERIFY(combo);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    QCOMPARE(items, choices);
    QCOMPARE(combo->currentText(), current);
    // Lists of a type are asked with the stored term, never the shown one.
    for (const QString &asked : qAsConst(driver->typeQueries))
        QVERIFY2(asked == TC || asked == PRT, qPrintable(asked));
}

void TestChannelConfigEditor::numberChoiceRewritesTheLabel()
{
    makeEditor(3, header(3));
    typeInLine(1, 3, QStringLiteral("inlet"));
    QCOMPARE(cell(1, 3), QStringLiteral("inlet"));
    pickInCombo(1, 2, QStringLiteral("107"));
    QCOMPARE(cell(1, 2), QStringLiteral("107"));
    QCOMPARE(cell(1, 3), QStringLiteral("CH107"));
}

void TestChannelConfigEditor::typeChoiceResetsOnlyTheFunction()
{
    makeEditor(3, header(3));
    pickInCombo(0, 5, QStringLiteral("J"));
    pickInCombo(0, 9, QStringLiteral("mV"));
    // The same type again leaves the function.
    pickInCombo(0, 4, shown(TC));
    QCOMPARE(cell(0, 5), QStringLiteral("J"));
    // Another type resets the function to the type's first; wiring and unit stay.
    pickInCombo(0, 4, shown(PRT));
    QCOMPARE(cell(0, 4), shown(PRT));
    QCOMPARE(cell(0, 5), QStringLiteral("PT100"));
    QCOMPARE(cell(0, 6), shown("二线制"));
    QCOMPARE(cell(0, 9), QStringLiteral("mV"));
}

void TestChannelConfigEditor::noEditorOnCheckAndSerialColumns_data()
{
    QTest::addColumn<int>("column");
    QTest::newRow("select") << 0;
    QTest::newRow("serial") << 1;
    QTest::newRow("lower enable") << 17;
    QTest::newRow("upper enable") << 19;
}

void TestChannelConfigEditor::noEditorOnCheckAndSerialColumns()
{
    QFETCH(int, column);
    makeEditor(2, header(2));
    QWidget *before = table()->cellWidget(0, column);
    doubleClick(0, column);
    QCOMPARE(table()->cellWidget(0, column), before);
    // No editor is open: another cell opens one at once.
    emit table()->cellDoubleClicked(1, 3);
    QVERIFY(qobject_cast<QLineEdit *>(table()->cellWidget(1, 3)));
}

void TestChannelConfigEditor::oneEditorAtATime()
{
    makeEditor(2, header(2));
    doubleClick(0, 3);
    auto *edit = qobject_cast<QLineEdit *>(table()->cellWidget(0, 3));
    QVERIFY(edit);
    edit->setText(QStringLiteral("first"));
    // A double-click signal alone does not open a second editor.
    emit table()->cellDoubleClicked(1, 7);
    QVERIFY(!table()->cellWidget(1, 7));
    // A click on the edited cell keeps its editor.
    click(0, 3);
    QCOMPARE(table()->cellWidget(0, 3), static_cast<QWidget *>(edit));
    // A click elsewhere closes it and writes the text; then the next one opens.
    doubleClick(1, 7);
    QVERIFY(!table()->cellWidget(0, 3));
    QCOMPARE(cell(0, 3), QStringLiteral("first"));
    QVERIFY(qobject_cast<QLineEdit *>(table()->cellWidget(1, 7)));
}

void TestChannelConfigEditor::lineEditorsValidateNumbers()
{
    makeEditor(2, header(2));
    for (int column : {7, 8, 10, 13, 16, 18, 20}) {
        doubleClick(0, column);
        auto *edit = qobject_cast<QLineEdit *>(table()->cellWidget(0, column));
        QVERIFY(edit);
        auto *validator = qobject_cast<const QRegExpValidator *>(edit->validator());
        QVERIFY2(validator, qPrintable(QString::number(column)));
        QCOMPARE(validator->regExp().pattern(), QStringLiteral("[-0-9.]+$"));
        click(1, 1);
    }
    doubleClick(0, 3);
    auto *label = qobject_cast<QLineEdit *>(table()->cellWidget(0, 3));
    QVERIFY(label);
    QVERIFY(!label->validator());
}

void TestChannelConfigEditor::selectAllTwice()
{
    makeEditor(3, header(3));
    auto *all = editor->findChild<QPushButton *>("pushButton_All");
    QCOMPARE(all->text(), editor->tr("全选"));
    all->click();
    QCOMPARE(all->text(), QCoreApplication::translate("ChannelConfigAdd", "取消全选"));
    for (int r = 0; r < 3; ++r)
        QVERIFY(box(r, 0)->isChecked());
    box(1, 0)->setChecked(false);
    all->click();
    QCOMPARE(all->text(), QCoreApplication::translate("ChannelConfigAdd", "全选"));
    for (int r = 0; r < 3; ++r)
        QVERIFY(!box(r, 0)->isChecked());
}

// Enter that commits a typed cell must not press a button (a default "全选" would tick every
// row for the next batch edit): no button of the editor's dialogs is a default one.
void TestChannelConfigEditor::enterInACellEditorPressesNoButton()
{
    makeEditor(3, header(3));
    QApplication::setActiveWindow(editor);
    doubleClick(1, 3);
    auto *edit = qobject_cast<QLineEdit *>(table()->cellWidget(1, 3));
    QVERIFY(edit);
    edit->setFocus();
    edit->setText(QStringLiteral("typed"));
    // The line edit passes Enter on to its dialog.
    QTest::keyClick(edit, Qt::Key_Return);
    auto *all = editor->findChild<QPushButton *>("pushButton_All");
    QCOMPARE(all->text(), editor->tr("全选"));
    for (int r = 0; r < 3; ++r)
        QVERIFY(!box(r, 0)->isChecked());
    QVERIFY(modal->messages.isEmpty());
    ChannelConfigBatch batch;
    ChannelConfigNew fresh;
    for (QWidget *dialog : {static_cast<QWidget *>(editor), static_cast<QWidget *>(&batch),
                            static_cast<QWidget *>(&fresh)}) {
        const auto buttons = dialog->findChildren<QPushButton *>();
        QVERIFY(!buttons.isEmpty());
        for (QPushButton *b : buttons)
            QVERIFY2(!b->autoDefault() && !b->isDefault(), qPrintable(b->objectName()));
    }
}

void TestChannelConfigEditor::batchNeedsCheckedRows()
{
    makeEditor(2, header(2));
    press("pushButton_Batch");
    QCOMPARE(modal->messages, QStringList{"请先选择通道！"});
    QCOMPARE(modal->titles, QStringList{"警告"});
    QVERIFY(modal->unexpected.isEmpty());
}

void TestChannelConfigEditor::batchFillsCheckedRows()
{
    makeEditor(3, header(3));
    typeInLine(0, 11, QStringLiteral("7"));   // a coefficient the batch's "0" must keep
    typeInLine(1, 3, QStringLiteral("keep"));
    box(0, 0)->setChecked(true);
    box(2, 0)->setChecked(true);
    modal->steps << [](QDialog *d) {
        auto *type = d->findChild<QComboBox *>("comboBox_Type");
        type->setCurrentIndex(type->findText(shown(PRT)));
        auto *range = d->findChild<QComboBox *>("comboBox_Range");
        range->setCurrentIndex(range->findText("PT1000"));
        auto *wire = d->findChild<QComboBox *>("comboBox_Wire");
        wire->setCurrentIndex(wire->findText(shown("四线制")));
        auto *unit = d->findChild<QComboBox *>("comboBox_Unit");
        unit->setCurrentIndex(unit->findText("Ω"));
        d->findChild<QLineEdit *>("lineEdit_MX_B_M")->setText("0");
        d->findChild<QLineEdit *>("lineEdit_MX_B_B")->setText("-0.5");
        d->findChild<QLineEdit *>("lineEdit_C_C2")->setText("2.5");
        d->findChild<QLineEdit *>("lineEdit_B4_C6")->setText("-1e-3");
        d->findChild<QCheckBox *>("checkBox_LowState")->setChecked(true);
        d->findChild<QLineEdit *>("lineEdit_Low")->setText("0");
        d->findChild<QLineEdit *>("lineEdit_Hight")->setText("55.5");
        d->findChild<QPushButton *>("pushButton_OK")->click();
    };
    press("pushButton_Batch");
    QVERIFY(modal->unexpected.isEmpty());
    QVERIFY(modal->messages.isEmpty());
    for (int r : {0, 2}) {
        QCOMPARE(cell(r, 4), shown(PRT));
        QCOMPARE(cell(r, 5), QStringLiteral("PT1000"));
        QCOMPARE(cell(r, 6), shown("四线制"));
        QCOMPARE(cell(r, 7), QStringLiteral("0"));      // a gain of 0 is written
        QCOMPARE(cell(r, 8), QStringLiteral("-0.5"));
        QCOMPARE(cell(r, 9), QStringLiteral("Ω"));
        QCOMPARE(cell(r, 10), QStringLiteral("0"));
        QCOMPARE(cell(r, 12), QStringLiteral("2.5"));
        QCOMPARE(cell(r, 16), QStringLiteral("-1e-3"));
        QVERIFY(box(r, 17)->isChecked());
        QCOMPARE(cell(r, 18), QStringLiteral("0"));
        QVERIFY(!box(r, 19)->isChecked());
        QCOMPARE(cell(r, 20), QStringLiteral("55.5"));
    }
    QCOMPARE(cell(0, 11), QStringLiteral("7"));   // coefficient "0" leaves the cell
    QCOMPARE(cell(0, 3), QStringLiteral("CH101"));  // labels are not batch values
    // The unchecked row is untouched.
    QCOMPARE(cell(1, 3), QStringLiteral("keep"));
    QCOMPARE(cell(1, 4), shown(TC));
    QCOMPARE(cell(1, 7), QStringLiteral("1"));
    QCOMPARE(cell(1, 20), QStringLiteral("100"));
    QVERIFY(!box(1, 17)->isChecked());
}

void TestChannelConfigEditor::batchCancelChangesNothing()
{
    makeEditor(2, header(2));
    box(0, 0)->setChecked(true);
    modal->steps << [](QDialog *d) {
        d->findChild<QLineEdit *>("lineEdit_Hight")->setText("1");
        d->findChild<QPushButton *>("pushButton_Cancel")->click();
    };
    press("pushButton_Batch");
    QVERIFY(modal->unexpected.isEmpty());
    QCOMPARE(cell(0, 20), QStringLiteral("100"));
    QCOMPARE(cell(0, 4), shown(TC));
}

void TestChannelConfigEditor::batchDialogFollowsTheDriver()
{
    ChannelConfigBatch batch;
    batch.initWidgets(driver);
    auto items = [&batch](const char *name) {
        auto *combo = batch.findChild<QComboBox *>(QString::fromLatin1(name));
        QStringList list;
        for (int i = 0; i < combo->count(); ++i)
            list << combo->itemText(i);
        return list;
    };
    auto enabled = [&batch]() {
        QList<bool> flags;
        for (const char *name : {"lineEdit_A_C0", "lineEdit_B_C1", "lineEdit_C_C2",
                                 "lineEdit_D_C3", "lineEdit_R0_C4", "lineEdit_A4_C5",
                                 "lineEdit_B4_C6", "lineEdit_MX_B_M", "lineEdit_MX_B_B"})
            flags << batch.findChild<QLineEdit *>(QString::fromLatin1(name))->isEnabled();
        return flags;
    };
    // Types of channel 101, translated; units of "All", untranslated.
    QCOMPARE(items("comboBox_Type"), (QStringList{shown(TC), shown(PRT)}));
    QCOMPARE(items("comboBox_Unit"), (QStringList{"℃", "mV", "Ω", "℉"}));
    QCOMPARE(items("comboBox_Range"), (QStringList{"K", "J", "T"}));
    QCOMPARE(items("comboBox_Wire"), QStringList{shown("二线制")});
    QCOMPARE(enabled(), (QList<bool>{true, true, true, false, false, false, false, true, true}));
    // A short mask changes nothing.
    auto *range = batch.findChild<QComboBox *>("comboBox_Range");
    range->setCurrentIndex(range->findText("J"));
    QCOMPARE(enabled(), (QList<bool>{true, true, true, false, false, false, false, true, true}));
    // Another type refills function and wiring; the first function's mask stays.
    auto *type = batch.findChild<QComboBox *>("comboBox_Type");
    type->setCurrentIndex(type->findText(shown(PRT)));
    QCOMPARE(items("comboBox_Range"), (QStringList{"PT100", "PT1000"}));
    QCOMPARE(items("comboBox_Wire"), (QStringList{shown("三线制"), shown("四线制")}));
    QCOMPARE(enabled(), (QList<bool>{false, false, false, false, true, false, false, false, true}));
    // Disabled fields keep and return their texts.
    batch.findChild<QPushButton *>("pushButton_OK")->click();
    QCOMPARE(batch.result(), int(QDialog::Accepted));
    QCOMPARE(batch.values.size(), 17);
    QCOMPARE(batch.values,
             (QStringList{shown(PRT), "PT100", shown("三线制"), "1", "0", "℃", "0", "0", "0", "0",
                          "0", "0", "0", "false", "0", "false", "100"}));
}

void TestChannelConfigEditor::batchRefusesNonNumbers_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("gain minus") << "lineEdit_MX_B_M" << "-" << "MX+B(M)：请输入有效的数字！";
    QTest::newRow("offset point") << "lineEdit_MX_B_B" << "." << "MX+B(B)：请输入有效的数字！";
    QTest::newRow("coefficient two points") << "lineEdit_R0_C4" << "1.2.3"
                                            << "R0/C4：请输入有效的数字！";
    QTest::newRow("disabled coefficient") << "lineEdit_B4_C6" << "-" << "B4/C6：请输入有效的数字！";
    QTest::newRow("lower limit empty") << "lineEdit_Low" << "" << "下限警告：请输入有效的数字！";
    QTest::newRow("upper limit") << "lineEdit_Hight" << "--5" << "上限警告：请输入有效的数字！";
}

void TestChannelConfigEditor::batchRefusesNonNumbers()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    ChannelConfigBatch batch;
    batch.initWidgets(driver);
    batch.show();
    batch.findChild<QLineEdit *>(field)->setText(text);
    batch.findChild<QPushButton *>("pushButton_OK")->click();
    QCOMPARE(modal->messages, QStringList{message});
    QCOMPARE(modal->titles, QStringList{"警告"});
    QVERIFY(batch.values.isEmpty());
    QVERIFY(batch.isVisible());
}

void TestChannelConfigEditor::importWritesByRowPosition_data()
{
    QTest::addColumn<int>("fileChannels");
    QTest::addColumn<bool>("onlyGain");
    QTest::newRow("fewer values than rows") << 3 << false;
    QTest::newRow("more values than rows") << 7 << false;
    QTest::newRow("gain only") << 5 << true;
}

void TestChannelConfigEditor::importWritesByRowPosition()
{
    QFETCH(int, fileChannels);
    QFETCH(bool, onlyGain);
    ChannelConfigData file;
    file.ChannelCount = fileChannels;
    for (int i = 0; i < fileChannels; ++i) {
        const QString n = QString::number(i + 1);
        file.MX_B_M << "1.0" + n;
        if (onlyGain)
            continue;
        file.MX_B_B << "-0." + n;
        file.A_C0 << "10" + n;
        file.B_C1 << "11" + n;
        file.C_C2 << "12" + n;
        file.D_C3 << "13" + n;
        file.R0_C4 << "14" + n;
        file.A4_C5 << "15" + n;
        file.B4_C6 << "16" + n;
    }
    const QString path = dir->filePath(QStringLiteral("import.ini"));
    QFile::remove(path);
    QVERIFY(writeChannelCoefficientFile(path, file));

    makeEditor(5, header(5));
    modal->steps << ModalAnswers::chooseFile(path);
    press("pushButton_Import");
    QVERIFY(modal->unexpected.isEmpty());
    QVERIFY(modal->messages.isEmpty());
    for (int r = 0; r < 5; ++r) {
        const bool inFile = r < fileChannels;
        const QString n = QString::number(r + 1);
        QCOMPARE(cell(r, 7), inFile ? "1.0" + n : QStringLiteral("1"));
        if (onlyGain || !inFile) {
            QCOMPARE(cell(r, 8), QStringLiteral("0"));
            for (int c = 10; c <= 16; ++c)
                QCOMPARE(cell(r, c), QStringLiteral("0"));
        } else {
            QCOMPARE(cell(r, 8), "-0." + n);
            for (int c = 10; c <= 16; ++c)
                QCOMPARE(cell(r, c), QString::number(c) + n);
        }
        // Nothing else travels.
        QCOMPARE(cell(r, 3), QStringLiteral("CH") + QString::number(101 + r));
        QCOMPARE(cell(r, 20), QStringLiteral("100"));
    }
}

void TestChannelConfigEditor::saveRefuses_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("duplicate before order") << 2 << 2 << "101" << "通道编号不能重复！";
    QTest::newRow("not rising") << 1 << 2 << "104" << "通道编号需要递增！";
    QTest::newRow("label with comma") << 1 << 3 << "in,out" << "第2行：通道标签不许使用逗号！";
    QTest::newRow("gain minus only") << 0 << 7 << "-" << "第1行：Mx+B(M)不是有效的数字！";
    QTest::newRow("offset point only") << 2 << 8 << "." << "第3行：Mx+B(B)不是有效的数字！";
    QTest::newRow("coefficient two points") << 1 << 12 << "1.2.3" << "第2行：C/B2不是有效的数字！";
    QTest::newRow("lower limit empty") << 2 << 18 << "" << "第3行：下限警告不是有效的数字！";
    QTest::newRow("upper limit") << 0 << 20 << "1-" << "第1行：上限警告不是有效的数字！";
}

void TestChannelConfigEditor::saveRefuses()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, message);
    makeEditor(3, header(3));
    // Cells are set directly: the import and odd inputs bypass the line editor's validator.
    table()->item(row, column)->setText(text);
    press("pushButton_Save");
    QCOMPARE(modal->messages, QStringList{message});
    QCOMPARE(modal->titles, QStringList{"警告"});
    QCOMPARE(driver->checkCalls, 0);
    QCOMPARE(storedRows(), 0);
    QCOMPARE(editor->result(), 0);
    QCOMPARE(cell(row, column), text);   // the table keeps its values
}

void TestChannelConfigEditor::saveRefusesColdJunction()
{
    ChannelConfigData h = header(2);
    h.ColdJunction = QStringLiteral("-");
    makeEditor(2, h);
    press("pushButton_Save");
    QCOMPARE(modal->messages, QStringList{"冷端温度不是有效的数字！"});
    QCOMPARE(driver->checkCalls, 0);
    QCOMPARE(storedRows(), 0);
}

void TestChannelConfigEditor::saveStoresTheRow()
{
    // Numbers compare as integers for the order: "99" before "100" passes.
    driver->numbers = QStringList{"99", "100", "101"};
    driver->typesByChannel.clear();
    makeEditor(3, header(3, QStringLiteral("o'clock \"A\"")));

    // The driver refuses first: its own text is shown, nothing stored.
    driver->checkResult = false;
    driver->checkError = QStringLiteral("102:类型错误！");
    press("pushButton_Save");
    QCOMPARE(modal->messages, QStringList{"102:类型错误！"});
    QCOMPARE(storedRows(), 0);

    driver->checkResult = true;
    modal->messages.clear();
    modal->titles.clear();
    pickInCombo(1, 4, shown(PRT));
    pickInCombo(1, 6, shown("四线制"));
    typeInLine(0, 7, QStringLiteral("1.0005"));
    typeInLine(0, 8, QStringLiteral("-0.125"));
    typeInLine(2, 14, QStringLiteral("3.9083e-3"));
    box(0, 17)->setChecked(true);
    box(2, 19)->setChecked(true);
    press("pushButton_Save");
    QCOMPARE(modal->messages, QStringList{"添加成功！"});
    QCOMPARE(modal->titles, QStringList{"提示"});
    QCOMPARE(editor->result(), int(QDialog::Accepted));

    // The driver saw stored terms and parsed corrections.
    QCOMPARE(driver->checkedRows.size(), 3);
    QCOMPARE(driver->checkedRows.at(1).type, PRT);
    QCOMPARE(driver->checkedRows.at(1).wireMode, QStringLiteral("四线制"));
    QCOMPARE(driver->checkedRows.at(0).mxbM, 1.0005f);
    QCOMPARE(driver->checkedRows.at(0).mxbB, -0.125f);
    QCOMPARE(driver->checkedRows.at(2).r0_c4, QStringLiteral("3.9083e-3"));
    QCOMPARE(driver->checkedRows.at(2).compensation, QStringLiteral("固定冷端"));
    QCOMPARE(driver->checkedRows.at(2).coldJunction, QStringLiteral("21.5"));

    bool ok = false;
    const QJsonArray rows = TestDb::sqlite3Rows(dbPath, "select * from ChannelConfig;", &ok);
    QVERIFY(ok);
    QCOMPARE(rows.size(), 1);
    const QJsonObject row = rows.first().toObject();
    QCOMPARE(row.value("Name").toString(), QStringLiteral("o'clock \"A\""));
    QVERIFY(QDateTime::fromString(row.value("Time").toString(), "yyyy-MM-dd hh:mm:ss").isValid());
    QCOMPARE(row.value("Mode").toString(), QStringLiteral("1586A"));
    QCOMPARE(row.value("Remark").toString(), QString());
    QCOMPARE(row.value("ChannelCount").toVariant().toInt(), 3);
    QCOMPARE(row.value("ChannelNumber").toString(), QStringLiteral("99,100,101"));
    QCOMPARE(row.value("ChannelLabel").toString(), QStringLiteral("CH99,CH100,CH101"));
    QCOMPARE(row.value("ChannelType").toString(), QStringLiteral("热电偶,铂电阻,热电偶"));
    QCOMPARE(row.value("ChannelFunction").toString(), QStringLiteral("K,PT100,K"));   // the new type reset the function
    QCOMPARE(row.value("WireMode").toString(), QStringLiteral("二线制,四线制,二线制"));
    QCOMPARE(row.value("MX+B_M").toString(), QStringLiteral("1.0005,1,1"));
    QCOMPARE(row.value("MX+B_B").toString(), QStringLiteral("-0.125,0,0"));
    QCOMPARE(row.value("R0_C4").toString(), QStringLiteral("0,0,3.9083e-3"));
    QCOMPARE(row.value("Unit").toString(), QStringLiteral("℃,℃,℃"));
    QCOMPARE(row.value("Compensation").toString(), QStringLiteral("固定冷端"));
    QCOMPARE(row.value("ColdJunction").toString(), QStringLiteral("21.5"));
    QCOMPARE(row.value("LowerAlarmEnable").toString(), QStringLiteral("true,false,false"));
    QCOMPARE(row.value("LowerAlarm").toString(), QStringLiteral("0,0,0"));
    QCOMPARE(row.value("UpperAlarmEnable").toString(), QStringLiteral("false,false,true"));
    QCOMPARE(row.value("UpperAlarm").toString(), QStringLiteral("100,100,100"));
}

void TestChannelConfigEditor::saveCommitsAnOpenEditor()
{
    makeEditor(2, header(2));
    doubleClick(1, 3);
    auto *edit = qobject_cast<QLineEdit *>(table()->cellWidget(1, 3));
    QVERIFY(edit);
    edit->setText(QStringLiteral("outlet"));
    press("pushButton_Save");
    QCOMPARE(modal->messages, QStringList{"添加成功！"});
    const auto rows = TestDb::sqlite3Table(dbPath, "select ChannelLabel from ChannelConfig;");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().value(0), QStringLiteral("CH101,outlet"));
}

void TestChannelConfigEditor::saveReportsDatabaseFailure()
{
    QVERIFY(TestDb::sqlite3Exec(dbPath, "drop table ChannelConfig;"));
    makeEditor(2, header(2));
    press("pushButton_Save");
    QCOMPARE(modal->messages, QStringList{"添加数据失败！"});
    QCOMPARE(modal->titles, QStringList{"警告"});
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->result(), 0);
}

QTEST_MAIN(TestChannelConfigEditor)
#include "test_channelconfig_editor.moc"
