// The channel-configuration page with its new, open, export and delete buttons, and the new
// configuration dialog, on the real model registry (empty driver and 1586A scanner) and a
// private copy of the shipped database.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QtTest>

#include "ChannelCoefficientFile.h"
#include "ChannelConfig.h"
#include "ChannelConfigNew.h"
#include "Database.h"
#include "Registry.h"
#include "SystemSettings.h"
#include "TestDb.h"
#include "Terms.h"
#include "test_channelconfig_modal.h"
#include "test_channelconfig_terms.h"

namespace {

QStringList comboItems(QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// Fills the new-configuration dialog and presses Next.
std::function<void(QDialog *)> fillNew(const QString &name, const QString &model,
                                       const QString &count)
{
    return [=](QDialog *d) {
        auto *mode = d->findChild<QComboBox *>("comboBox_Mode");
        mode->setCurrentIndex(mode->findText(model));
        d->findChild<QLineEdit *>("lineEdit_Name")->setText(name);
        d->findChild<QLineEdit *>("lineEdit_Number")->setText(count);
        d->findChild<QPushButton *>("pushButton_Next")->click();
    };
}

std::function<void(QDialog *)> pressButton(const char *name)
{
    return [name](QDialog *d) { d->findChild<QPushButton *>(QString::fromLatin1(name))->click(); };
}

} // namespace

class TestChannelConfigPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newOpenExportDeleteWithAQuote();
    void refusalsWithoutConfiguration();
    void newRefuses_data();
    void newRefuses();
    void unknownModelIsRefused();
    void largestCountOpensTheEditor();
    void compensationFollowsTheModel();
    void storedCountBeyondListsOrModelIsRefused_data();
    void storedCountBeyondListsOrModelIsRefused();
    void sameNameShowsTheLastRow();

private:
    QLineEdit *pageEdit(const char *name) const;
    QTableWidget *pageTable() const;
    void press(const char *name);
    int storedCount(const QString &name);

    QScopedPointer<QTemporaryDir> dir;   // removed with the test object
    QString dbPath;
    QTranslator translator;
    SystemSettings settings;
    ChannelConfig *page = nullptr;
    ModalAnswers *modal = nullptr;
};

void TestChannelConfigPage::initTestCase()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    QVERIFY(QDir::setCurrent(dir->path()));
    {
        QSettings ini(QStringLiteral("config.ini"), QSettings::IniFormat);
        ini.setIniCodec("UTF-8");
        ini.setValue(QStringLiteral("/Acquisition/Mode"), QStringList{"1586A", "Zenk"});
    }
    QVERIFY(registeredCollectionClasses().contains(QStringLiteral("Collection1586A")));
    QVERIFY(installTestTerms(dir->path(), translator));
    QCOMPARE(translateTerm(QStringLiteral("空")), QStringLiteral("None"));
}

void TestChannelConfigPage::init()
{
    dbPath = TestDb::openFreshDefault(dir->path());
    QVERIFY(!dbPath.isEmpty());
    modal = new ModalAnswers;
    page = new ChannelConfig;
    page->setSettings(&settings);
    page->show();
}

void TestChannelConfigPage::cleanup()
{
    delete page;
    page = nullptr;
    delete modal;
    modal = nullptr;
    TestDb::closeDefault();
}

QLineEdit *TestChannelConfigPage::pageEdit(const char *name) const
{
    return page->findChild<QLineEdit *>(QString::fromLatin1(name));
}

QTableWidget *TestChannelConfigPage::pageTable() const
{
    return page->findChild<QTableWidget *>(QStringLiteral("tableWidget_List"));
}

void TestChannelConfigPage::press(const char *name)
{
    auto *button = page->findChild<QPushButton *>(QString::fromLatin1(name));
    QVERIFY(button);
    button->click();
}

int TestChannelConfigPage::storedCount(const QString &name)
{
    bool ok = false;
    QString quoted = name;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    const auto rows = TestDb::sqlite3Table(
        dbPath, "select count(*) from ChannelConfig where Name = '" + quoted + "';", &ok);
    return ok && !rows.isEmpty() ? rows.first().value(0).toInt() : -1;
}

void TestChannelConfigPage::newOpenExportDeleteWithAQuote()
{
    const QString name = QStringLiteral("it's \"K\"");
    QCOMPARE(pageTable()->columnCount(), 19);
    QCOMPARE(pageTable()->rowCount(), 0);

    // New: the empty model is offered first, shown translated.
    QStringList offered;
    modal->steps << [&offered, name](QDialog *d) {
        offered = comboItems(d->findChild<QComboBox *>("comboBox_Mode"));
        fillNew(name, QStringLiteral("None"), QStringLiteral("2"))(d);
    };
    modal->steps << pressButton("pushButton_Save");
    press("pushButton_New");
    QCOMPARE(modal->unexpected, QStringList());
    QCOMPARE(offered, (QStringList{"None", "1586A", "Zenk"}));
    QCOMPARE(modal->messages, QStringList{"添加成功！"});
    QCOMPARE(pageEdit("lineEdit_Name")->text(), name);
    QCOMPARE(pageEdit("lineEdit_Number")->text(), QStringLiteral("2"));
    QCOMPARE(pageEdit("lineEdit_Mode")->text(), QStringLiteral("None"));
    QCOMPARE(pageTable()->rowCount(), 2);
    const QStringList row1 = {"2", "102", "CH102", "None", "None", "None", "1_0", "℃",
                              "0", "0", "0", "0", "0", "0", "0", "false", "0", "false", "100"};
    for (int c = 0; c < 19; ++c)
        QCOMPARE(pageTable()->item(1, c)->text(), row1.at(c));

    // The model is stored as its stored term, and found by it.
    const auto stored = TestDb::sqlite3Table(dbPath, "select Name, Mode, ChannelType from ChannelConfig;");
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first(), (QStringList{name, "空", "空,空"}));
    QList<ChannelConfigData> byMode;
    QVERIFY(selectChannelConfigByMode(byMode, QStringLiteral("空")));
    QCOMPARE(byMode.size(), 1);

    // Open on a fresh page: a single click only selects, a double-click picks.
    delete page;
    page = new ChannelConfig;
    page->show();
    bool stayedOpen = false;
    QStringList listed;
    modal->steps << [&](QDialog *d) {
        auto *list = d->findChild<QTableWidget *>("tableWidget_List");
        for (int c = 0; c < list->columnCount(); ++c)
            listed << list->item(0, c)->text();
        emit list->cellClicked(0, 1);
        stayedOpen = d->isVisible();
        emit list->cellDoubleClicked(0, 1);
    };
    press("pushButton_Open");
    QVERIFY(stayedOpen);
    QCOMPARE(listed.value(0), name);
    QVERIFY(QDateTime::fromString(listed.value(1), "yyyy-MM-dd hh:mm:ss").isValid());
    QCOMPARE(pageEdit("lineEdit_Name")->text(), name);
    QCOMPARE(pageTable()->rowCount(), 2);

    // Export: cancelled, written, and failed.
    modal->steps << ModalAnswers::cancel();
    press("pushButton_Export");
    QVERIFY(modal->messages.size() == 1);
    // A name chosen without a suffix gets ".ini", so the import dialog lists the file.
    const QString out = dir->filePath(QStringLiteral("export.ini"));
    modal->steps << ModalAnswers::chooseFile(dir->filePath(QStringLiteral("export")));
    press("pushButton_Export");
    QVERIFY(!QFile::exists(dir->filePath(QStringLiteral("export"))));
    QCOMPARE(modal->messages.size(), 1);
    const ChannelConfigData lists = readChannelCoefficientFile(out);
    QCOMPARE(lists.A_C0, (QStringList{"0", "0"}));
    QCOMPARE(lists.MX_B_M, (QStringList{"1", "1"}));
    QFile plain(dir->filePath(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    modal->steps << ModalAnswers::chooseFile(dir->filePath(QStringLiteral("plain.txt/x.ini")));
    press("pushButton_Export");
    QCOMPARE(modal->messages.value(1), QStringLiteral("导出文件失败!"));
    QCOMPARE(modal->titles.value(1), QStringLiteral("警告"));

    // Delete: No keeps it, Yes removes it; the name stays shown.
    modal->answers << QMessageBox::No;
    press("pushButton_Delete");
    QCOMPARE(modal->messages.value(2), QStringLiteral("是否删除") + name + "?");
    QCOMPARE(modal->titles.value(2), QStringLiteral("提示"));
    QCOMPARE(storedCount(name), 1);
    QCOMPARE(pageTable()->rowCount(), 2);
    modal->answers << QMessageBox::Yes;
    press("pushButton_Delete");
    QCOMPARE(modal->messages.size(), 4);
    QCOMPARE(storedCount(name), 0);
    QCOMPARE(pageTable()->rowCount(), 0);
    QCOMPARE(pageEdit("lineEdit_Name")->text(), name);

    // Export after the delete is refused; a second delete asks again and deletes nothing.
    press("pushButton_Export");
    QCOMPARE(modal->messages.value(4), QStringLiteral("请先选择需要导出的文件!"));
    modal->answers << QMessageBox::Yes;
    press("pushButton_Delete");
    QCOMPARE(modal->messages.size(), 6);
    QCOMPARE(modal->messages.value(5), QStringLiteral("是否删除") + name + "?");
    QCOMPARE(modal->unexpected, QStringList());
}

void TestChannelConfigPage::refusalsWithoutConfiguration()
{
    press("pushButton_Delete");
    press("pushButton_Export");
    QCOMPARE(modal->messages,
             (QStringList{"请先选择需要删除的文件!", "请先选择需要导出的文件!"}));
    QCOMPARE(modal->titles, (QStringList{"警告", "警告"}));
    // A name that is not stored shows nothing new.
    page->loadConfig(QStringLiteral("absent"));
    QCOMPARE(pageEdit("lineEdit_Name")->text(), QString());
    QCOMPARE(pageTable()->rowCount(), 0);
}

void TestChannelConfigPage::newRefuses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("message");
    QTest::newRow("no name") << "" << "None" << "2" << "请先输入文件名称!";
    QTest::newRow("comma in the name") << "a,b" << "None" << "2" << "文件名称不许使用逗号!";
    QTest::newRow("name exists") << "taken" << "None" << "2" << "通道名称已存在!";
    QTest::newRow("name exists with a blank") << "taken " << "None" << "0"
                                              << "通道数不能为0!";
    QTest::newRow("count 0") << "n" << "None" << "0" << "通道数不能为0!";
    QTest::newRow("count empty") << "n" << "None" << "" << "通道数不能为0!";
    QTest::newRow("above the empty model's 64") << "n" << "None" << "65" << "超过最大通道数!";
    QTest::newRow("above the scanner's 45") << "n" << "1586A" << "46" << "超过最大通道数!";
}

void TestChannelConfigPage::newRefuses()
{
    QFETCH(QString, name);
    QFETCH(QString, model);
    QFETCH(QString, count);
    QFETCH(QString, message);
    QVERIFY(TestDb::sqlite3Exec(dbPath, "insert into ChannelConfig (Name, ChannelCount) "
                                        "values ('taken', 0);"));
    bool stayedOpen = false;
    modal->steps << [&](QDialog *d) {
        fillNew(name, model, count)(d);
        stayedOpen = d->isVisible();
        d->reject();
    };
    press("pushButton_New");
    QCOMPARE(modal->messages, QStringList{message});
    QCOMPARE(modal->titles, QStringList{"警告"});
    QCOMPARE(modal->unexpected, QStringList());
    QVERIFY(stayedOpen);
    QCOMPARE(pageTable()->rowCount(), 0);
}

void TestChannelConfigPage::unknownModelIsRefused()
{
    ChannelConfigNew dialog;
    dialog.show();
    auto *mode = dialog.findChild<QComboBox *>("comboBox_Mode");
    // A model name from config.ini that the registry does not list.
    mode->addItem(QStringLiteral("NoSuchModel"));
    mode->setCurrentIndex(mode->count() - 1);
    QCOMPARE(dialog.findChild<QComboBox *>("comboBox_Way")->count(), 0);
    dialog.findChild<QLineEdit *>("lineEdit_Name")->setText(QStringLiteral("n"));
    dialog.findChild<QLineEdit *>("lineEdit_Number")->setText(QStringLiteral("3"));
    dialog.findChild<QPushButton *>("pushButton_Next")->click();
    QCOMPARE(modal->messages, QStringList{"不支持的采集设备型号：NoSuchModel"});
    QCOMPARE(modal->unexpected, QStringList());
    // Back on a known model, the same header passes to the editor.
    mode->setCurrentIndex(0);
    modal->steps << ModalAnswers::cancel();
    dialog.findChild<QPushButton *>("pushButton_Next")->click();
    QCOMPARE(modal->messages.size(), 1);
    QVERIFY(modal->steps.isEmpty());
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.configName, QString());
}

void TestChannelConfigPage::largestCountOpensTheEditor()
{
    // The scanner allows 45 channels but numbers only 44: the last row gets an empty number.
    int rows = 0;
    QString lastNumber = QStringLiteral("<unset>");
    QString firstNumber;
    bool newStayedOpen = false;
    modal->steps << [&newStayedOpen](QDialog *d) {
        fillNew(QStringLiteral("big"), QStringLiteral("1586A"), QStringLiteral("45"))(d);
        newStayedOpen = d->isVisible();   // the editor was cancelled
        d->reject();
    };
    modal->steps << [&](QDialog *d) {
        auto *table = d->findChild<QTableWidget *>("tableWidget_List");
        rows = table->rowCount();
        firstNumber = table->item(0, 2)->text();
        lastNumber = table->item(rows - 1, 2)->text();
        d->findChild<QPushButton *>("pushButton_Save")->click();   // refused: not rising
        d->findChild<QPushButton *>("pushButton_Cancel")->click();
    };
    press("pushButton_New");
    QVERIFY(newStayedOpen);
    QCOMPARE(modal->unexpected, QStringList());
    QCOMPARE(rows, 45);
    QCOMPARE(firstNumber, QStringLiteral("101"));
    QCOMPARE(lastNumber, QString());
    QCOMPARE(modal->messages, QStringList{"通道编号需要递增！"});
    QCOMPARE(storedCount(QStringLiteral("big")), 0);
}

void TestChannelConfigPage::compensationFollowsTheModel()
{
    ChannelConfigNew dialog;
    dialog.show();
    auto *mode = dialog.findChild<QComboBox *>("comboBox_Mode");
    auto *way = dialog.findChild<QComboBox *>("comboBox_Way");
    auto *temp = dialog.findChild<QLineEdit *>("lineEdit_Temp");
    QCOMPARE(mode->currentText(), QStringLiteral("None"));
    QCOMPARE(comboItems(way), QStringList{"Internal"});
    QVERIFY(!temp->isEnabled());
    mode->setCurrentIndex(mode->findText(QStringLiteral("1586A")));
    QCOMPARE(comboItems(way), (QStringList{"Internal", "Fixed cold junction"}));
    way->setCurrentIndex(1);
    emit way->textActivated(way->currentText());
    QVERIFY(temp->isEnabled());
    // Another model refills the ways but leaves the field as it was.
    mode->setCurrentIndex(0);
    QCOMPARE(comboItems(way), QStringList{"Internal"});
    QVERIFY(temp->isEnabled());
    emit way->textActivated(way->currentText());
    QVERIFY(!temp->isEnabled());

    // The header keeps stored terms: a 1586A configuration with a fixed cold junction.
    mode->setCurrentIndex(mode->findText(QStringLiteral("1586A")));
    way->setCurrentIndex(1);
    emit way->textActivated(way->currentText());
    temp->setText(QStringLiteral("-5.5"));
    dialog.findChild<QLineEdit *>("lineEdit_Name")->setText(QStringLiteral("tc"));
    dialog.findChild<QLineEdit *>("lineEdit_Number")->setText(QStringLiteral("2"));
    QString editorMode;
    modal->steps << [&editorMode](QDialog *d) {
        editorMode = d->findChild<QLineEdit *>("lineEdit_Mode")->text();
        d->findChild<QPushButton *>("pushButton_Save")->click();
    };
    dialog.findChild<QPushButton *>("pushButton_Next")->click();
    QCOMPARE(modal->unexpected, QStringList());
    QCOMPARE(editorMode, QStringLiteral("1586A"));
    QCOMPARE(modal->messages, QStringList{"添加成功！"});
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.configName, QStringLiteral("tc"));
    const auto rows = TestDb::sqlite3Table(
        dbPath, "select Mode, Compensation, ColdJunction, ChannelType from ChannelConfig;");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first(), (QStringList{"1586A", "固定冷端", "-5.5", "热电偶,热电偶"}));
}

// A restored or edited file may hold any channel count: one beyond the configuration's lists or
// its model's channels is refused with a message and never laid out (a count of 100,000,000
// would freeze the page); the name stays, so the configuration can still be deleted.
void TestChannelConfigPage::storedCountBeyondListsOrModelIsRefused_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("message");
    QTest::newRow("huge count") << 100000000 << 3
                                << "通道配置“odd”的通道数100000000超出设备型号空的通道数64！";
    QTest::newRow("beyond the lists") << 3 << 2
                                      << "通道配置“odd”的通道数3超出其通道列表：ChannelNumber,"
                                         "ChannelLabel,ChannelType,ChannelFunction,WireMode,MX+B_M,"
                                         "MX+B_B,A_C0,B_C1,C_C2,D_C3,R0_C4,A4_C5,B4_C6,Unit,"
                                         "LowerAlarmEnable,LowerAlarm,UpperAlarmEnable,UpperAlarm";
    QTest::newRow("beyond the model") << 65 << 65
                                      << "通道配置“odd”的通道数65超出设备型号空的通道数64！";
    QTest::newRow("the model's count") << 64 << 64 << "";
}

void TestChannelConfigPage::storedCountBeyondListsOrModelIsRefused()
{
    QFETCH(int, count);
    QFETCH(int, listed);
    QFETCH(QString, message);
    auto list = [listed](const QString &entry) {
        return QStringList(QVector<QString>(listed, entry).toList()).join(',');
    };
    QStringList values{"'odd'", "'2024-01-01 00:00:00'", "'空'", "''", QString::number(count)};
    for (const QString &entry : {"101", "L", "空", "空", "空", "1", "0", "0", "0", "0", "0", "0",
                                 "0", "0", "℃"})
        values << "'" + list(entry) + "'";
    values << "'内部补偿'" << "'0'" << "'" + list("false") + "'" << "'" + list("0") + "'"
           << "'" + list("false") + "'" << "'" + list("9") + "'";
    QVERIFY(TestDb::sqlite3Exec(dbPath, "insert into ChannelConfig values (" + values.join(',') + ");"));
    QElapsedTimer clock;
    clock.start();
    page->loadConfig(QStringLiteral("odd"));
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(pageEdit("lineEdit_Name")->text(), QStringLiteral("odd"));
    QCOMPARE(pageTable()->rowCount(), message.isEmpty() ? count : 0);
    QCOMPARE(modal->messages, message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(modal->titles, QStringList{QStringLiteral("警告")});
}

void TestChannelConfigPage::sameNameShowsTheLastRow()
{
    QVERIFY(TestDb::sqlite3Exec(
        dbPath,
        "insert into ChannelConfig (Name, Mode, ChannelCount, ChannelNumber) values "
        "('twin', 'Zenk', 1, '101');"
        "insert into ChannelConfig (Name, Mode, ChannelCount, ChannelNumber) values "
        "('twin', '1586A', 1, '102');"));
    page->loadConfig(QStringLiteral("twin"));
    QCOMPARE(pageEdit("lineEdit_Mode")->text(), QStringLiteral("1586A"));
    QCOMPARE(pageTable()->rowCount(), 1);
    QCOMPARE(pageTable()->item(0, 1)->text(), QStringLiteral("102"));
}

QTEST_MAIN(TestChannelConfigPage)
#include "test_channelconfig_page.moc"
