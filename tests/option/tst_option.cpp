#include "languagetesting.h"
#include "modalanswerer.h"
#include "option/option.h"
#include "testfiles.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>

namespace {

const QString builtInTitle = QStringLiteral("Kyuvia 画像変換ツール（設定）");
const QString builtInErrorMessage = QStringLiteral("範囲内で入力して下さい");

// The line edits in the order the dialog checks them.
const QStringList checkedFields = {"lineDistance", "lineOutputSizeX", "lineOutputSizeY",
                                   "lineQuality",  "lineColor",       "lineSize",
                                   "lineLatitude", "lineLongitude",   "lineAzimuth"};

QLineEdit *field(const QWidget &dialog, const QString &name)
{
    return dialog.findChild<QLineEdit *>(name);
}

QPushButton *button(const QWidget &dialog, const QString &name)
{
    return dialog.findChild<QPushButton *>(name);
}

// Replaces the field's text as a user does: select everything, delete it, type. The events
// that typing leaves behind are delivered before the next step, as between a user's actions.
void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QCoreApplication::processEvents();
}

// Runs exec() while `user` plays the user inside the modal loop. Whatever the script leaves
// open is rejected, so a failed check inside it cannot block the test.
int execWithUser(Option &dialog, const std::function<void()> &user)
{
    QTimer::singleShot(0, &dialog, [&dialog, user] {
        user();
        if (dialog.isVisible())
            dialog.reject();
    });
    return dialog.exec();
}

double storedValue(const Option &dialog, const QString &fieldName)
{
    if (fieldName == "lineDistance")
        return dialog.distance;
    if (fieldName == "lineOutputSizeX")
        return dialog.outputSizeX;
    if (fieldName == "lineOutputSizeY")
        return dialog.outputSizeY;
    if (fieldName == "lineQuality")
        return dialog.outputQuality;
    if (fieldName == "lineSize")
        return dialog.penSize;
    if (fieldName == "lineLatitude")
        return dialog.latitude;
    if (fieldName == "lineLongitude")
        return dialog.longitude;
    if (fieldName == "lineAzimuth")
        return dialog.azimuth;
    return std::numeric_limits<double>::quiet_NaN();
}

void setMembers(Option &dialog, double distance, int sizeX, int sizeY, int quality, int format,
                const QString &color, int pen, double latitude, double longitude, double azimuth)
{
    dialog.distance = distance;
    dialog.outputSizeX = sizeX;
    dialog.outputSizeY = sizeY;
    dialog.outputQuality = quality;
    dialog.outputFormat = format;
    dialog.penColor = color;
    dialog.penSize = pen;
    dialog.latitude = latitude;
    dialog.longitude = longitude;
    dialog.azimuth = azimuth;
}

// The ten members as text, to compare a dialog before and after a run in one step.
QStringList members(const Option &dialog)
{
    return {QString::number(dialog.distance, 'g', 17),
            QString::number(dialog.outputSizeX),
            QString::number(dialog.outputSizeY),
            QString::number(dialog.outputQuality),
            QString::number(dialog.outputFormat),
            dialog.penColor,
            QString::number(dialog.penSize),
            QString::number(dialog.latitude, 'g', 17),
            QString::number(dialog.longitude, 'g', 17),
            QString::number(dialog.azimuth, 'g', 17)};
}

} // namespace

class TestOption : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void form_data();
    void form();
    void focusOrder();
    void constructionValues();

    void execFillsFields_data();
    void execFillsFields();

    void values_data();
    void values();
    void colour_data();
    void colour();
    void severalRefusedFields_data();
    void severalRefusedFields();
    void format_data();
    void format();

    void defaultsThenCancel();
    void defaultsThenOk();
    void rejecting_data();
    void rejecting();
    void enterActivatesCancel_data();
    void enterActivatesCancel();

    void languageKeys_data();
    void languageKeys();
    void languageTitleAndWarning();
};

void TestOption::cleanup()
{
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void TestOption::form_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("alignment");

    const int left = int(Qt::AlignLeft | Qt::AlignVCenter);
    const auto row = [](const char *name, const char *className, QRect geometry,
                        const QString &text = QString(), int alignment = 0) {
        QTest::newRow(name) << name << className << geometry << text << alignment;
    };
    row("label_1", "QLabel", {10, 10, 371, 31}, "カメラの距離（単位：地球半径 1 - 100）", left);
    row("lineDistance", "QLineEdit", {10, 40, 113, 30});
    row("label_2", "QLabel", {10, 70, 261, 41},
        "画像変換後のピクセルサイズ\n(1024x1024 - 8192x8192)", left);
    row("lineOutputSizeX", "QLineEdit", {10, 110, 101, 30});
    row("lineOutputSizeY", "QLineEdit", {130, 110, 101, 30});
    row("btnDefault", "QPushButton", {10, 360, 91, 30}, "初期値");
    row("label_3", "QLabel", {10, 140, 91, 31}, "画像形式", left);
    row("cbFormat", "QComboBox", {10, 170, 101, 30});
    row("lineQuality", "QLineEdit", {130, 170, 101, 30});
    row("label_3_2", "QLabel", {130, 140, 111, 31}, "JPG画質 (1-100)", int(Qt::AlignCenter));
    row("label_1_2", "QLabel", {140, 40, 281, 31}, "1:地表　6.6:静止軌道　100:平行投影", left);
    row("label_5", "QLabel", {10, 270, 91, 41}, "中心緯度\n(-90 - +90)", left);
    row("label_5_2", "QLabel", {130, 270, 111, 41}, "中心経度\n(-180 - +180)", left);
    row("lineLongitude", "QLineEdit", {130, 310, 101, 30});
    row("label_4", "QLabel", {10, 200, 111, 41}, "選択枠の色\n( #AARRGGBB )", left);
    row("label_4_2", "QLabel", {130, 200, 91, 41}, "選択枠の太さ\n(1 - 32)", left);
    row("lineColor", "QLineEdit", {10, 240, 101, 30});
    row("lineSize", "QLineEdit", {130, 240, 101, 30});
    row("label_5_3", "QLabel", {250, 270, 91, 41}, "方位角\n(0 - 360)", left);
    row("lineAzimuth", "QLineEdit", {250, 310, 101, 30});
    row("lineLatitude", "QLineEdit", {10, 310, 101, 30});
    row("btnOk", "QPushButton", {290, 360, 91, 30}, "OK");
    row("btnCancel", "QPushButton", {390, 360, 91, 30}, "キャンセル");
}

void TestOption::form()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(int, alignment);

    Option dialog;
    QCOMPARE(dialog.objectName(), QString("Option"));
    QCOMPARE(dialog.size(), QSize(489, 403));
    QCOMPARE(dialog.windowTitle(), builtInTitle);
    QVERIFY(!dialog.layout());

    QWidget *child = dialog.findChild<QWidget *>(name);
    QVERIFY(child);
    QCOMPARE(child->parentWidget(), &dialog);
    QCOMPARE(QString(child->metaObject()->className()), className);
    QCOMPARE(child->geometry(), geometry);
    if (auto *label = qobject_cast<QLabel *>(child)) {
        QCOMPARE(label->text(), text);
        QCOMPARE(int(label->alignment()), alignment);
    } else if (auto *push = qobject_cast<QPushButton *>(child)) {
        QCOMPARE(push->text(), text);
    } else if (auto *combo = qobject_cast<QComboBox *>(child)) {
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), QString("JPG"));
        QCOMPARE(combo->itemText(1), QString("PNG"));
        QCOMPARE(combo->itemText(2), QString("GeoTIFF"));
    } else {
        QVERIFY(qobject_cast<QLineEdit *>(child));
        QVERIFY(static_cast<QLineEdit *>(child)->text().isEmpty());
    }
}

void TestOption::focusOrder()
{
    Option dialog;
    QStringList order;
    for (QWidget *w = dialog.nextInFocusChain(); w != &dialog; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            order << w->objectName();
    }
    const QStringList expected = {
        "lineDistance", "lineOutputSizeX", "lineOutputSizeY", "btnDefault", "cbFormat",
        "lineQuality",  "lineLongitude",   "lineColor",       "lineSize",   "lineAzimuth",
        "lineLatitude", "btnOk",           "btnCancel",       "cbMode"};
    QCOMPARE(order, expected);
}

void TestOption::constructionValues()
{
    Option dialog;
    QCOMPARE(members(dialog),
             QStringList({"0", "0", "0", "85", "0", "#FFFF0000", "3", "0", "0", "0"}));
    QVERIFY(dialog.langFile.isEmpty());
    QVERIFY(dialog.texts.isEmpty());
}

void TestOption::execFillsFields_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<int>("sizeX");
    QTest::addColumn<int>("sizeY");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("color");
    QTest::addColumn<int>("pen");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<double>("azimuth");
    // Texts of distance, sizes, quality, pen width, colour and the three angles.
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("formatIndex");

    QTest::newRow("main window start values")
        << 100.0 << 2048 << 1024 << 85 << 0 << "#ffff0000" << 3 << 0.0 << 0.0 << 0.0
        << QStringList{"100", "2048", "1024", "85", "3", "#FFFF0000", "0", "0", "0"} << 0;
    QTest::newRow("geostationary, PNG, green pen")
        << 6.6 << 8192 << 4096 << 100 << 1 << "#ff00ff00" << 32 << -35.6 << 179.5 << 360.0
        << QStringList{"6.6", "8192", "4096", "100", "32", "#FF00FF00", "-35.6", "179.5", "360"}
        << 1;
    QTest::newRow("six significant digits")
        << 1.23456789 << 1024 << 1024 << 1 << 0 << "#80abcdef" << 1 << 12.3456789 << -0.000012345
        << 123456789.0 << QStringList{"1.23457",   "1024",    "1024",        "1",          "1",
                                      "#80ABCDEF", "12.3457", "-1.2345e-05", "1.23457e+08"}
        << 0;
    QTest::newRow("GeoTIFF, code 2")
        << 100.0 << 2048 << 1024 << 85 << 2 << "#ffff0000" << 3 << 0.0 << 0.0 << 0.0
        << QStringList{"100", "2048", "1024", "85", "3", "#FFFF0000", "0", "0", "0"} << 2;
    QTest::newRow("unknown format index shows JPG")
        << 100.0 << 2048 << 1024 << 85 << 7 << "#ffff0000" << 3 << 0.0 << 0.0 << 0.0
        << QStringList{"100", "2048", "1024", "85", "3", "#FFFF0000", "0", "0", "0"} << 0;
}

void TestOption::execFillsFields()
{
    QFETCH(double, distance);
    QFETCH(int, sizeX);
    QFETCH(int, sizeY);
    QFETCH(int, quality);
    QFETCH(int, format);
    QFETCH(QString, color);
    QFETCH(int, pen);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(double, azimuth);
    QFETCH(QStringList, texts);
    QFETCH(int, formatIndex);

    Option dialog;
    setMembers(dialog, distance, sizeX, sizeY, quality, format, color, pen, latitude, longitude,
               azimuth);
    const QStringList before = members(dialog);
    QStringList shown;
    int shownIndex = -1;
    bool cancelIsDefault = false;
    bool okIsDefault = true;
    const int result = execWithUser(dialog, [&] {
        for (const char *name :
             {"lineDistance", "lineOutputSizeX", "lineOutputSizeY", "lineQuality", "lineSize",
              "lineColor", "lineLatitude", "lineLongitude", "lineAzimuth"})
            shown << field(dialog, name)->text();
        shownIndex = dialog.findChild<QComboBox *>("cbFormat")->currentIndex();
        cancelIsDefault = button(dialog, "btnCancel")->isDefault();
        okIsDefault = button(dialog, "btnOk")->isDefault();
        QTest::mouseClick(button(dialog, "btnCancel"), Qt::LeftButton);
    });
    QCOMPARE(shown, texts);
    QCOMPARE(shownIndex, formatIndex);
    QVERIFY(cancelIsDefault);
    QVERIFY(!okIsDefault);
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(members(dialog), before);
}

// Each row types one field over the defaults and presses OK. A refused row must show exactly
// one warning box and leave the field selected with the focus; either way the member holds
// the value read from the field.
void TestOption::values_data()
{
    QTest::addColumn<QString>("fieldName");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("stored");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto row = [](const char *name, const char *fieldName, const char *typed, bool accepted,
                        double stored) {
        QTest::newRow(name) << fieldName << typed << accepted << stored;
    };
    row("distance 1", "lineDistance", "1", true, 1.0);
    row("distance 100", "lineDistance", "100", true, 100.0);
    row("distance 0.99", "lineDistance", "0.99", false, 0.99);
    row("distance 100.01", "lineDistance", "100.01", false, 100.01);
    row("distance 1e2", "lineDistance", "1e2", true, 100.0);
    row("distance 6.6", "lineDistance", "6.6", true, 6.6);
    row("distance empty", "lineDistance", "", false, 0.0);
    row("distance letters", "lineDistance", "far", false, 0.0);
    row("distance comma decimal", "lineDistance", "6,6", false, 0.0);
    row("distance nan", "lineDistance", "nan", false, nan);
    row("distance inf", "lineDistance", "inf", false, inf);
    row("distance overflowing double", "lineDistance", "1e400", false, inf);

    for (const char *sizeField : {"lineOutputSizeX", "lineOutputSizeY"}) {
        const QByteArray side = sizeField == QByteArray("lineOutputSizeX") ? "width" : "height";
        const auto sizeRow = [&](const char *what, const char *typed, bool accepted,
                                 double stored) {
            QTest::newRow(side + " " + what) << sizeField << typed << accepted << stored;
        };
        sizeRow("1024", "1024", true, 1024);
        sizeRow("8192", "8192", true, 8192);
        sizeRow("1023", "1023", false, 1023);
        sizeRow("8193", "8193", false, 8193);
        sizeRow("with a zero fraction", "2048.0", false, 0);
        sizeRow("empty", "", false, 0);
        sizeRow("overflowing 32 bits", "4294969344", false, 0);
    }

    row("quality 1", "lineQuality", "1", true, 1);
    row("quality 100", "lineQuality", "100", true, 100);
    row("quality 0", "lineQuality", "0", false, 0);
    row("quality 101", "lineQuality", "101", false, 101);
    row("quality empty", "lineQuality", "", false, 0);

    row("pen width 1", "lineSize", "1", true, 1);
    row("pen width 32", "lineSize", "32", true, 32);
    row("pen width 0", "lineSize", "0", false, 0);
    row("pen width 33", "lineSize", "33", false, 33);
    row("pen width empty", "lineSize", "", false, 0);

    row("latitude -90", "lineLatitude", "-90", true, -90.0);
    row("latitude 90", "lineLatitude", "90", true, 90.0);
    row("latitude -90.01", "lineLatitude", "-90.01", false, -90.01);
    row("latitude 90.01", "lineLatitude", "90.01", false, 90.01);
    row("latitude empty", "lineLatitude", "", true, 0.0);
    row("latitude letters", "lineLatitude", "north", true, 0.0);
    row("latitude nan", "lineLatitude", "nan", false, nan);
    row("latitude -inf", "lineLatitude", "-inf", false, -inf);

    row("longitude -180", "lineLongitude", "-180", true, -180.0);
    row("longitude 180", "lineLongitude", "180", true, 180.0);
    row("longitude -180.01", "lineLongitude", "-180.01", false, -180.01);
    row("longitude 180.01", "lineLongitude", "180.01", false, 180.01);
    row("longitude empty", "lineLongitude", "", true, 0.0);
    row("longitude nan", "lineLongitude", "NaN", false, nan);

    row("azimuth 0", "lineAzimuth", "0", true, 0.0);
    row("azimuth 360", "lineAzimuth", "360", true, 360.0);
    row("azimuth -0.1", "lineAzimuth", "-0.1", false, -0.1);
    row("azimuth 360.1", "lineAzimuth", "360.1", false, 360.1);
    row("azimuth empty", "lineAzimuth", "", true, 0.0);
    row("azimuth nan", "lineAzimuth", "nan", false, nan);
}

void TestOption::values()
{
    QFETCH(QString, fieldName);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(double, stored);

    Option dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::mouseClick(button(dialog, "btnDefault"), Qt::LeftButton);
    QLineEdit *edit = field(dialog, fieldName);
    QVERIFY(edit);
    typeInto(edit, typed);
    QCOMPARE(edit->text(), typed);

    ModalAnswerer catcher;
    catcher.leaveOtherDialogs();
    QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);

    const double value = storedValue(dialog, fieldName);
    if (std::isnan(stored))
        QVERIFY(std::isnan(value));
    else
        QCOMPARE(value, stored);

    if (accepted) {
        QCOMPARE(catcher.boxes.size(), 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        return;
    }
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].text, builtInErrorMessage);
    QVERIFY(dialog.isVisible());
    QCOMPARE(edit->text(), typed);
    QCOMPARE(edit->selectedText(), typed);
    QCOMPARE(dialog.focusWidget(), edit);
}

// The colour is handed back exactly as typed; a text that names no colour is refused.
void TestOption::colour_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("lower case #aarrggbb") << "#80abcdef" << true;
    QTest::newRow("upper case #AARRGGBB") << "#FF00FF00" << true;
    QTest::newRow("#rrggbb") << "#00ff00" << true;
    QTest::newRow("colour name") << "blue" << true;
    QTest::newRow("seven hex digits") << "#1234567" << false;
    QTest::newRow("not hexadecimal") << "#GGGGGGGG" << false;
    QTest::newRow("leading blank") << " #ff00ff00" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("words") << "opaque red" << false;
}

void TestOption::colour()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);

    Option dialog;
    dialog.penColor = "#ffff0000";
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::mouseClick(button(dialog, "btnDefault"), Qt::LeftButton);
    QLineEdit *edit = field(dialog, "lineColor");
    typeInto(edit, typed);

    ModalAnswerer catcher;
    catcher.leaveOtherDialogs();
    QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);
    QCOMPARE(dialog.penColor, typed);
    QCOMPARE(catcher.boxes.size(), accepted ? 0 : 1);
    QCOMPARE(dialog.isVisible(), !accepted);
    if (!accepted) {
        QCOMPARE(edit->selectedText(), typed);
        QCOMPARE(dialog.focusWidget(), edit);
    }
}

void TestOption::severalRefusedFields_data()
{
    // Pairs of field name and typed text; the focus belongs to the last refused field.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("focused");

    QTest::newRow("distance and pen width")
        << QStringList{"lineDistance", "0.5", "lineSize", "40"} << "lineSize";
    QTest::newRow("pen width typed before distance")
        << QStringList{"lineSize", "40", "lineDistance", "0.5"} << "lineSize";
    QTest::newRow("every field that must not be empty")
        << QStringList{"lineDistance", "", "lineOutputSizeX", "", "lineOutputSizeY", "",
                       "lineQuality",  "", "lineSize",        ""}
        << "lineSize";
    QTest::newRow("colour and width of the pen")
        << QStringList{"lineColor", "nonsense", "lineSize", "0"} << "lineSize";
    QTest::newRow("latitude and azimuth")
        << QStringList{"lineAzimuth", "400", "lineLatitude", "-91"} << "lineAzimuth";
    QTest::newRow("all three angles")
        << QStringList{"lineLatitude", "nan", "lineLongitude", "181", "lineAzimuth", "-1"}
        << "lineAzimuth";
}

void TestOption::severalRefusedFields()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, focused);

    Option dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::mouseClick(button(dialog, "btnDefault"), Qt::LeftButton);
    QStringList refused;
    for (int i = 0; i + 1 < entries.size(); i += 2) {
        typeInto(field(dialog, entries[i]), entries[i + 1]);
        refused << entries[i];
    }

    ModalAnswerer catcher;
    catcher.leaveOtherDialogs();
    QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);

    QCOMPARE(catcher.boxes.size(), 1);
    const SeenBox &box = catcher.boxes[0];
    QCOMPARE(box.text, builtInErrorMessage);
    QCOMPARE(box.title, builtInTitle);
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.parent, &dialog);

    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), field(dialog, focused));
    for (const QString &name : checkedFields) {
        QLineEdit *edit = field(dialog, name);
        if (refused.contains(name))
            QVERIFY2(edit->selectedText() == edit->text(), qPrintable(name));
        else
            QVERIFY2(!edit->hasSelectedText(), qPrintable(name));
    }

    // The next OK reads every field again.
    QTest::mouseClick(button(dialog, "btnDefault"), Qt::LeftButton);
    QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.distance, 100.0);
    QCOMPARE(dialog.penSize, 3);
}

void TestOption::format_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("after");

    QTest::newRow("PNG") << 0 << int(Qt::Key_Down) << "PNG" << 1;
    QTest::newRow("JPG") << 1 << int(Qt::Key_Up) << "JPG" << 0;
    QTest::newRow("GeoTIFF after PNG") << 1 << int(Qt::Key_Down) << "GeoTIFF" << 2;
    QTest::newRow("PNG after GeoTIFF") << 2 << int(Qt::Key_Up) << "PNG" << 1;
}

void TestOption::format()
{
    QFETCH(int, before);
    QFETCH(int, key);
    QFETCH(QString, chosen);
    QFETCH(int, after);

    Option dialog;
    setMembers(dialog, 100.0, 2048, 1024, 85, before, "#ffff0000", 3, 0.0, 0.0, 0.0);
    const int result = execWithUser(dialog, [&] {
        auto *combo = dialog.findChild<QComboBox *>("cbFormat");
        combo->setFocus(Qt::TabFocusReason);
        QTest::keyClick(combo, Qt::Key(key));
        QCOMPARE(combo->currentText(), chosen);
        QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(dialog.outputFormat, after);
}

void TestOption::defaultsThenCancel()
{
    Option dialog;
    setMembers(dialog, 6.6, 4096, 2048, 50, 1, "#ff00ff00", 7, 35.5, -20.25, 90.0);
    const QStringList before = members(dialog);
    QStringList shown;
    int shownIndex = -1;
    QStringList membersAfterDefaults;
    const int result = execWithUser(dialog, [&] {
        QTest::mouseClick(button(dialog, "btnDefault"), Qt::LeftButton);
        for (const QString &name : checkedFields)
            shown << field(dialog, name)->text();
        shownIndex = dialog.findChild<QComboBox *>("cbFormat")->currentIndex();
        membersAfterDefaults = members(dialog);
        QTest::mouseClick(button(dialog, "btnCancel"), Qt::LeftButton);
    });
    QCOMPARE(shown, QStringList({"100", "2048", "1024", "85", "#FFFF0000", "3", "0", "0", "0"}));
    QCOMPARE(shownIndex, 0);
    QCOMPARE(membersAfterDefaults, before);
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(members(dialog), before);
}

void TestOption::defaultsThenOk()
{
    Option dialog;
    setMembers(dialog, 6.6, 4096, 2048, 50, 1, "#ff00ff00", 7, 35.5, -20.25, 90.0);
    dialog.conversionMode = 1;
    ModalAnswerer catcher;
    catcher.leaveOtherDialogs();
    const int result = execWithUser(dialog, [&] {
        QTest::mouseClick(button(dialog, "btnDefault"), Qt::LeftButton);
        QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);
    });
    QCOMPARE(catcher.boxes.size(), 0);
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(members(dialog),
             QStringList({"100", "2048", "1024", "85", "0", "#FFFF0000", "3", "0", "0", "0"}));
    QCOMPARE(dialog.conversionMode, 0);
}

void TestOption::rejecting_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel button") << "cancel";
    QTest::newRow("escape key") << "escape";
    QTest::newRow("close box") << "close";
}

void TestOption::rejecting()
{
    QFETCH(QString, how);

    Option dialog;
    setMembers(dialog, 6.6, 4096, 2048, 50, 1, "#ff00ff00", 7, 35.5, -20.25, 90.0);
    const QStringList before = members(dialog);
    ModalAnswerer catcher;
    catcher.leaveOtherDialogs();
    const int result = execWithUser(dialog, [&] {
        typeInto(field(dialog, "lineDistance"), "50");
        typeInto(field(dialog, "lineLatitude"), "10");
        if (how == "cancel")
            QTest::mouseClick(button(dialog, "btnCancel"), Qt::LeftButton);
        else if (how == "escape")
            QTest::keyClick(field(dialog, "lineLatitude"), Qt::Key_Escape);
        else
            dialog.close();
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(catcher.boxes.size(), 0);
    QCOMPARE(members(dialog), before);
}

void TestOption::enterActivatesCancel_data()
{
    QTest::addColumn<QString>("fieldName");
    QTest::addColumn<QString>("typed");

    QTest::newRow("valid distance") << "lineDistance"
                                    << "50";
    QTest::newRow("valid colour") << "lineColor"
                                  << "#ff0000ff";
    QTest::newRow("valid latitude") << "lineLatitude"
                                    << "45";
    QTest::newRow("refused quality") << "lineQuality"
                                     << "0";
    QTest::newRow("refused azimuth") << "lineAzimuth"
                                     << "-5";
}

void TestOption::enterActivatesCancel()
{
    QFETCH(QString, fieldName);
    QFETCH(QString, typed);

    Option dialog;
    setMembers(dialog, 100.0, 2048, 1024, 85, 0, "#ffff0000", 3, 0.0, 0.0, 0.0);
    const QStringList before = members(dialog);
    ModalAnswerer catcher;
    catcher.leaveOtherDialogs();
    QSignalSpy cancelled(button(dialog, "btnCancel"), &QPushButton::clicked);
    QSignalSpy confirmed(button(dialog, "btnOk"), &QPushButton::clicked);
    const int result = execWithUser(dialog, [&] {
        QLineEdit *edit = field(dialog, fieldName);
        typeInto(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    QCOMPARE(cancelled.count(), 1);
    QCOMPARE(confirmed.count(), 0);
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(catcher.boxes.size(), 0);
    QCOMPARE(members(dialog), before);
}

// Every widget key of section "config": the built-in text without a language file, the
// file's text when it has one, the built-in text again when the value is empty, and never
// the text of the same key in another section.
void TestOption::languageKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("builtIn");

    QTest::newRow("lbl_1") << "lbl_1"
                           << "label_1"
                           << "カメラの距離（単位：地球半径 1 - 100）";
    QTest::newRow("lbl_1_2") << "lbl_1_2"
                             << "label_1_2"
                             << "1:地表　6.6:静止軌道　100:平行投影";
    QTest::newRow("lbl_2") << "lbl_2"
                           << "label_2"
                           << "画像変換後のピクセルサイズ\n(1024x1024 - 8192x8192)";
    QTest::newRow("lbl_3") << "lbl_3"
                           << "label_3"
                           << "画像形式";
    QTest::newRow("lbl_3_2") << "lbl_3_2"
                             << "label_3_2"
                             << "JPG画質 (1-100)";
    QTest::newRow("lbl_4") << "lbl_4"
                           << "label_4"
                           << "選択枠の色\n( #AARRGGBB )";
    QTest::newRow("lbl_4_2") << "lbl_4_2"
                             << "label_4_2"
                             << "選択枠の太さ\n(1 - 32)";
    QTest::newRow("lbl_5") << "lbl_5"
                           << "label_5"
                           << "中心緯度\n(-90 - +90)";
    QTest::newRow("lbl_5_2") << "lbl_5_2"
                             << "label_5_2"
                             << "中心経度\n(-180 - +180)";
    QTest::newRow("lbl_5_3") << "lbl_5_3"
                             << "label_5_3"
                             << "方位角\n(0 - 360)";
    QTest::newRow("btn_default") << "btn_default"
                                 << "btnDefault"
                                 << "初期値";
    QTest::newRow("btn_cancel") << "btn_cancel"
                                << "btnCancel"
                                << "キャンセル";
    QTest::newRow("title") << "title"
                           << "Option" << builtInTitle;
    QTest::newRow("error_mess") << "error_mess"
                                << ""
                                << "範囲内で入力して下さい";
    QTest::newRow("format_tiff") << "format_tiff"
                                 << "cbFormat.item2"
                                 << "GeoTIFF";
}

void TestOption::languageKeys()
{
    QFETCH(QString, key);
    QFETCH(QString, objectName);
    QFETCH(QString, builtIn);

    const auto shownText = [&](const Option &dialog) {
        return objectName.isEmpty() ? dialog.texts.value(key) : widgetText(dialog, objectName);
    };

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const KeyLanguageFiles files(dir.path(), "config", key.toUtf8(),
                                 "設定 " + key.toUtf8() + "\\n2");
    QVERIFY(files.written);

    QCOMPARE(shownText(*dialogWithLanguage<Option>(files.missing)), builtIn);
    QVERIFY(!QFile::exists(files.missing));
    QCOMPARE(shownText(*dialogWithLanguage<Option>(files.filled)), QString("設定 " + key + "\n2"));
    QCOMPARE(shownText(*dialogWithLanguage<Option>(files.emptied)), builtIn);
}

// The dialog's title comes from the file unchanged, and the warning box carries it.
void TestOption::languageTitleAndWarning()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("orvix_lang.ini");
    QVERIFY(writeBytes(path, "[main]\ntitle=Main window\n"
                             "[config]\ntitle=Orvix settings\nerror_mess=\"Out of range, "
                             "please correct\"\n"));

    Option dialog;
    dialog.langFile = path;
    dialog.loadLanguage();
    QCOMPARE(dialog.windowTitle(), QString("Orvix settings"));
    QCOMPARE(dialog.texts.size(), 1);
    QCOMPARE(button(dialog, "btnOk")->text(), QString("OK"));

    setMembers(dialog, 100.0, 2048, 1024, 85, 0, "#ffff0000", 3, 0.0, 0.0, 0.0);
    ModalAnswerer catcher;
    catcher.leaveOtherDialogs();
    execWithUser(dialog, [&] {
        typeInto(field(dialog, "lineQuality"), "500");
        QTest::mouseClick(button(dialog, "btnOk"), Qt::LeftButton);
    });
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].title, QString("Orvix settings"));
    QCOMPARE(catcher.boxes[0].text, QString("Out of range, please correct"));
    QCOMPARE(catcher.boxes[0].icon, QMessageBox::Warning);
}

QTEST_MAIN(TestOption)
#include "tst_option.moc"
