#include "zbarshapecombo.h"
#include "zbarshapewidget.h"
#include "zcolorcombo.h"
#include "zcolorwidget.h"
#include "zendpointcombo.h"
#include "zendpointwidget.h"

#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

// The colour, end-point and bar-shape pickers, driven as a user would: a
// release on the combo opens its pop-up, a release on the pop-up picks.
class tst_ZPickers : public QObject
{
    Q_OBJECT
private slots:
    void colorSetColor_data();
    void colorSetColor();
    void colorPickFromPopup_data();
    void colorPickFromPopup();
    void colorFromKeyboard_data();
    void colorFromKeyboard();
    void colorTooltipAndSwatch();
    void endPointIndexAt_data();
    void endPointIndexAt();
    void endPointCombo();
    void barShapeWidget();
    void barShapeCombo();
    void shapesFromKeyboard_data();
    void shapesFromKeyboard();
};

void tst_ZPickers::colorSetColor_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("index");
    QTest::addRow("repeated colour selects its last twin") << QColor(Qt::blue) << 55;
    QTest::addRow("invalid is No Color") << QColor() << 0;
    QTest::addRow("upper block only") << QColor(QStringLiteral("#C0C0C0")) << 32;
    QTest::addRow("plum twin") << QColor(QStringLiteral("#993366")) << 41;
    QTest::addRow("outside the palette keeps the selection") << QColor(1, 2, 3) << 17;
}

void tst_ZPickers::colorSetColor()
{
    QFETCH(QColor, color);
    QFETCH(int, index);
    ZColorCombo combo(QColor(Qt::red));
    QSignalSpy changed(&combo, &ZColorCombo::colorChanged);
    QCOMPARE(combo.popup()->selectedIndex(), 17);
    combo.setColor(color);
    QCOMPARE(combo.popup()->selectedIndex(), index);
    QCOMPARE(combo.popup()->color(), combo.popup()->colors().at(index).first);
    QCOMPARE(combo.color(), color); // the combo shows what it was given
    QCOMPARE(changed.count(), 0);
    QCOMPARE(combo.popup()->colors().size(), 56);
    QCOMPARE(combo.popup()->objectName(), QStringLiteral("ZColorPickerPopup"));
}

void tst_ZPickers::colorPickFromPopup_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<bool>("picked");
    QTest::addColumn<QColor>("color");
    // Cells are 12 px at x = 6 + 16 c; the lower block starts at y = 102.
    QTest::addRow("red") << QPoint(22 + 6, 38 + 6) << true << QColor(QStringLiteral("#FF0000"));
    QTest::addRow("no colour") << QPoint(8, 8) << true << QColor();
    QTest::addRow("lower block") << QPoint(6 + 7 * 16 + 3, 118 + 3) << true << QColor(Qt::blue);
    QTest::addRow("gap between cells") << QPoint(6 + 13, 8) << false << QColor();
    QTest::addRow("separator line") << QPoint(40, 92) << false << QColor();
}

void tst_ZPickers::colorPickFromPopup()
{
    QFETCH(QPoint, pos);
    QFETCH(bool, picked);
    QFETCH(QColor, color);
    ZColorCombo combo(QColor(Qt::green));
    combo.resize(100, 26);
    combo.show();
    QSignalSpy changed(&combo, &ZColorCombo::colorChanged);
    QTest::mouseRelease(&combo, Qt::LeftButton);
    ZColorWidget *popup = combo.popup();
    QVERIFY(popup->isVisible());
    QVERIFY(popup->windowFlags() & Qt::Popup);
    popup->grab(); // paints the cells
    QTest::mouseRelease(popup, Qt::LeftButton, Qt::NoModifier, pos);
    QCOMPARE(changed.count(), picked ? 1 : 0);
    QCOMPARE(popup->isVisible(), !picked);
    if (picked) {
        QCOMPARE(changed.at(0).at(0).value<QColor>(), color);
        QCOMPARE(combo.color(), color);
    }
    popup->hide();
}

void tst_ZPickers::colorFromKeyboard_data()
{
    QTest::addColumn<QColor>("color"); // the combo's colour before
    QTest::addColumn<QVector<int>>("keys");
    QTest::addColumn<int>("picked"); // palette entry, -1: none
    using Keys = QVector<int>;
    const QColor none;
    QTest::addRow("F4 opens, Right and Enter pick") << none << Keys{Qt::Key_F4, Qt::Key_Right, Qt::Key_Return} << 1;
    QTest::addRow("Alt+Down opens, Down moves a row") << none << Keys{int(Qt::ALT | Qt::Key_Down), Qt::Key_Down, Qt::Key_Space} << 8;
    QTest::addRow("Up moves a row back") << none << Keys{Qt::Key_Space, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Return} << 8;
    QTest::addRow("Left stops at the first") << none << Keys{Qt::Key_Space, Qt::Key_Left, Qt::Key_Return} << 0;
    QTest::addRow("Escape picks nothing") << none << Keys{Qt::Key_Space, Qt::Key_Right, Qt::Key_Escape} << -1;
    // A colour outside the palette leaves the grid without a selection: the
    // first key that moves starts on the first cell; Enter alone picks nothing.
    const QColor outside(1, 2, 3);
    QTest::addRow("outside the palette: Down starts on the first") << outside << Keys{Qt::Key_F4, Qt::Key_Down, Qt::Key_Return} << 0;
    QTest::addRow("outside the palette: Enter picks nothing") << outside << Keys{Qt::Key_F4, Qt::Key_Return, Qt::Key_Escape} << -1;
}

void tst_ZPickers::colorFromKeyboard()
{
    QFETCH(QColor, color);
    QFETCH(QVector<int>, keys);
    QFETCH(int, picked);
    ZColorCombo combo{color};
    combo.resize(100, 26);
    combo.show();
    QApplication::setActiveWindow(&combo);
    QVERIFY(QTest::qWaitForWindowActive(&combo));
    QCOMPARE(combo.focusPolicy(), Qt::StrongFocus);
    combo.setFocus();
    QSignalSpy changed(&combo, &ZColorCombo::colorChanged);
    for (int key : keys) {
        QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key(key & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
    }
    QCOMPARE(changed.count(), picked >= 0 ? 1 : 0);
    QVERIFY(!combo.popup()->isVisible());
    if (picked >= 0)
        QCOMPARE(combo.color(), combo.popup()->colors().at(picked).first);
}

void tst_ZPickers::colorTooltipAndSwatch()
{
    ZColorWidget grid;
    grid.grab();
    QHelpEvent over(QEvent::ToolTip, grid.cellRect(32).center(), grid.mapToGlobal(QPoint(0, 0)));
    QVERIFY(QCoreApplication::sendEvent(&grid, &over));
    QCOMPARE(QToolTip::text(), QStringLiteral("Gray-25%"));
    QHelpEvent outside(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QVERIFY(QCoreApplication::sendEvent(&grid, &outside)); // handled, hidden
    QVERIFY(!outside.isAccepted());

    ZColorCombo combo(QColor(Qt::red));
    combo.resize(100, 26);
    const QImage swatch = combo.grab().toImage();
    QCOMPARE(swatch.pixelColor(30, 12), QColor(Qt::red));
}

void tst_ZPickers::endPointIndexAt_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("index");
    QTest::addRow("first cell") << QPoint(5, 5) << 0;
    QTest::addRow("last cell") << QPoint(50, 40) << 11;
    QTest::addRow("left margin, second row") << QPoint(1, 20) << 3;
    QTest::addRow("left margin, third row") << QPoint(2, 35) << 7;
    QTest::addRow("left margin, first row") << QPoint(1, 5) << -1;
    QTest::addRow("top-left corner") << QPoint(1, 1) << -5; // (0, 0) means "centre" to QTest
    QTest::addRow("top margin, last column") << QPoint(50, 2) << -1;
    QTest::addRow("band edges") << QPoint(17, 18) << 4;
    QTest::addRow("below and right, outside") << QPoint(200, 200) << 11;
}

void tst_ZPickers::endPointIndexAt()
{
    QFETCH(QPoint, pos);
    QFETCH(int, index);
    ZEndPointWidget grid;
    QSignalSpy selected(&grid, &ZEndPointWidget::selected);
    grid.show();
    QTest::mouseRelease(&grid, Qt::LeftButton, Qt::NoModifier, pos);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toInt(), index);
    QCOMPARE(grid.selectedIndex(), index);
    // A release outside the grid closes it, and still picks.
    QCOMPARE(grid.isVisible(), grid.rect().contains(pos));
}

void tst_ZPickers::endPointCombo()
{
    ZEndPointCombo combo;
    QSignalSpy changed(&combo, &ZEndPointCombo::endpointChanged);
    combo.setShape(QStringLiteral("Diamond"));
    QCOMPARE(combo.index(), 3);
    combo.setColor(Qt::red);
    QCOMPARE(combo.index(), 3);
    QCOMPARE(combo.shapeName(), QStringLiteral("Diamond"));
    combo.setShape(QStringLiteral("diamond"));
    QCOMPARE(combo.index(), -1);
    QCOMPARE(combo.shapeName(), QString());
    QCOMPARE(changed.count(), 0);

    combo.resize(100, 26);
    combo.show();
    QTest::mouseRelease(&combo, Qt::LeftButton);
    QVERIFY(combo.popup()->isVisible());
    QTest::mouseRelease(combo.popup(), Qt::LeftButton, Qt::NoModifier, QPoint(5 + 15, 5 + 30));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 9);
    QCOMPARE(combo.shapeName(), QStringLiteral("NorthCone"));
    QVERIFY(!combo.popup()->isVisible());
}

void tst_ZPickers::barShapeWidget()
{
    ZBarShapeWidget list;
    QCOMPARE(list.sizeHint(), QSize(100, 198));
    QCOMPARE(list.barShape(), qMakePair(11, 5)); // no selection
    list.setBarShape(qMakePair(5, 9));
    QCOMPARE(list.selectedIndex(), 3);
    list.setBarShape(qMakePair(4, 4)); // unknown pair: kept
    QCOMPARE(list.selectedIndex(), 3);

    QSignalSpy selected(&list, &ZBarShapeWidget::selected);
    ZBarShapeWidget fresh;
    QTest::keyClick(&fresh, Qt::Key_Up);
    QCOMPARE(fresh.selectedIndex(), 0);
    QTest::keyClick(&list, Qt::Key_Up);
    QCOMPARE(list.selectedIndex(), 2);
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(list.selectedIndex(), 8);
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toInt(), 8);
}

void tst_ZPickers::barShapeCombo()
{
    ZBarShapeCombo combo;
    combo.resize(120, 26);
    combo.show();
    QSignalSpy changed(&combo, &ZBarShapeCombo::shapeChanged);
    combo.setBarShape(11, 6);
    combo.setColor(Qt::blue);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(combo.barShape(), qMakePair(11, 6));

    QTest::mouseRelease(&combo, Qt::LeftButton);
    ZBarShapeWidget *list = combo.popup();
    QVERIFY(list->isVisible());
    QCOMPARE(list->width(), 120);
    QTest::mouseRelease(list, Qt::LeftButton, Qt::NoModifier, QPoint(10, 3 * 22 + 5));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 3);
    QCOMPARE(combo.barShape(), qMakePair(5, 9));
    QVERIFY(!list->isVisible());

    // A release on the combo while its list is up only closes the list.
    QTest::mouseRelease(&combo, Qt::LeftButton);
    QVERIFY(list->isVisible());
    list->hide(); // what the press outside the pop-up does
    QTest::mouseRelease(&combo, Qt::LeftButton);
    QVERIFY(!list->isVisible());
    QTest::mouseRelease(&combo, Qt::LeftButton);
    QVERIFY(list->isVisible());
    list->hide();
}

void tst_ZPickers::shapesFromKeyboard_data()
{
    QTest::addColumn<bool>("bar"); // the bar-shape button, else the end-point one
    QTest::addColumn<bool>("unset"); // no shape chosen yet
    QTest::addColumn<QVector<int>>("keys");
    QTest::addColumn<int>("picked"); // -1: none
    using Keys = QVector<int>;
    const int altDown = int(Qt::ALT | Qt::Key_Down);
    // From Diamond (3) in the grid of four columns.
    QTest::addRow("end point: F4 opens, Right and Enter pick") << false << false << Keys{Qt::Key_F4, Qt::Key_Right, Qt::Key_Return} << 4;
    QTest::addRow("end point: Alt+Down opens, Down moves a row") << false << false << Keys{altDown, Qt::Key_Down, Qt::Key_Space} << 7;
    QTest::addRow("end point: Up stops at the first") << false << false << Keys{Qt::Key_Space, Qt::Key_Up, Qt::Key_Return} << 0;
    QTest::addRow("end point: Escape picks nothing") << false << false << Keys{Qt::Key_Space, Qt::Key_Right, Qt::Key_Escape} << -1;
    // From the second body (1) in the list.
    QTest::addRow("bar: Space opens, Down and Enter pick") << true << false << Keys{Qt::Key_Space, Qt::Key_Down, Qt::Key_Return} << 2;
    QTest::addRow("bar: the key that opens moves nothing") << true << false << Keys{altDown, Qt::Key_Return} << 1;
    QTest::addRow("bar: Up, Space picks") << true << false << Keys{Qt::Key_F4, Qt::Key_Up, Qt::Key_Space} << 0;
    QTest::addRow("bar: Escape picks nothing") << true << false << Keys{Qt::Key_F4, Qt::Key_Down, Qt::Key_Escape} << -1;
    QTest::addRow("end point: a pick, then Escape the next time") << false << false << Keys{Qt::Key_F4, Qt::Key_Right, Qt::Key_Return, Qt::Key_F4, Qt::Key_Right, Qt::Key_Escape} << 4;
    QTest::addRow("bar: a pick, then Escape the next time") << true << false << Keys{Qt::Key_F4, Qt::Key_Down, Qt::Key_Return, Qt::Key_F4, Qt::Key_Down, Qt::Key_Escape} << 2;
    // Without a shape: the first key that moves starts on the first entry;
    // Enter alone picks nothing.
    QTest::addRow("end point, none: Enter picks nothing") << false << true << Keys{Qt::Key_F4, Qt::Key_Return, Qt::Key_Escape} << -1;
    QTest::addRow("end point, none: Right starts on the first") << false << true << Keys{Qt::Key_F4, Qt::Key_Right, Qt::Key_Return} << 0;
    QTest::addRow("bar, none: Enter picks nothing") << true << true << Keys{Qt::Key_F4, Qt::Key_Return, Qt::Key_Escape} << -1;
    QTest::addRow("bar, none: Down starts on the first") << true << true << Keys{Qt::Key_F4, Qt::Key_Down, Qt::Key_Return} << 0;
}

// The shape buttons of the bar styles dialog, by keys alone: each key is
// pressed and released where the keys then go, as a user's are.
void tst_ZPickers::shapesFromKeyboard()
{
    QFETCH(bool, bar);
    QFETCH(bool, unset);
    QFETCH(QVector<int>, keys);
    QFETCH(int, picked);
    ZEndPointCombo endPoint;
    ZBarShapeCombo body;
    if (!unset) {
        endPoint.setShape(QStringLiteral("Diamond"));
        body.setBarShape(11, 6);
    }
    const int before = bar ? body.popup()->selectedIndex() : endPoint.popup()->selectedIndex();
    QWidget *button = bar ? static_cast<QWidget *>(&body) : &endPoint;
    QWidget *popup = bar ? static_cast<QWidget *>(body.popup()) : endPoint.popup();
    QSignalSpy endPointChanged(&endPoint, &ZEndPointCombo::endpointChanged);
    QSignalSpy bodyChanged(&body, &ZBarShapeCombo::shapeChanged);
    QSignalSpy &changed = bar ? bodyChanged : endPointChanged;
    button->resize(100, 26);
    button->show();
    QApplication::setActiveWindow(button);
    QVERIFY(QTest::qWaitForWindowActive(button));
    QCOMPARE(button->focusPolicy(), Qt::StrongFocus);
    button->setFocus();
    // The open pop-up takes the keys, else the button, which keeps the focus.
    const auto target = [button] {
        QWidget *popup = QApplication::activePopupWidget();
        return popup ? popup : button;
    };
    for (int key : keys) {
        const Qt::Key k = Qt::Key(key & ~Qt::KeyboardModifierMask);
        const Qt::KeyboardModifiers modifiers(key & Qt::KeyboardModifierMask);
        QTest::keyPress(target(), k, modifiers);
        QTest::keyRelease(target(), k, modifiers);
    }
    QCOMPARE(changed.count(), picked >= 0 ? 1 : 0);
    QVERIFY(!popup->isVisible());
    if (picked >= 0)
        QCOMPARE(changed.at(0).at(0).toInt(), picked);
    // What the dialog reads: the pick, else the shape from before.
    QCOMPARE(bar ? body.popup()->selectedIndex() : endPoint.popup()->selectedIndex(),
             picked >= 0 ? picked : before);
}

QTEST_MAIN(tst_ZPickers)
#include "tst_zpickers.moc"
