#include "zcolorcombo.h"
#include "zcolorwidget.h"
#include "zstylecombo.h"
#include "zstylewidget.h"

#include <QFontComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

// The level format panel and its cell editor.
class tst_ZStyleWidget : public QObject
{
    Q_OBJECT
private slots:
    void font_data();
    void font();
    void background();
    void comboOpensFromItsButtonOnly();
};

void tst_ZStyleWidget::font_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("weight");
    QTest::addColumn<QFont::Style>("style");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<int>("weightBack");
    QTest::addColumn<bool>("italicBack");
    const QString dejaVu = QStringLiteral("DejaVu Sans");
    QTest::addRow("medium is not bold") << dejaVu << 57 << QFont::StyleNormal << false << 50 << false;
    QTest::addRow("demibold is bold") << dejaVu << 63 << QFont::StyleNormal << true << 75 << false;
    QTest::addRow("oblique is italic") << dejaVu << 50 << QFont::StyleOblique << false << 50 << true;
    QTest::addRow("black italic") << dejaVu << 87 << QFont::StyleItalic << true << 75 << true;
    QTest::addRow("family not installed") << "MS Shell Dlg 2" << 50 << QFont::StyleNormal << false << 50 << false;
}

void tst_ZStyleWidget::font()
{
    QFETCH(QString, family);
    QFETCH(int, weight);
    QFETCH(QFont::Style, style);
    QFETCH(bool, underline);
    QFETCH(int, weightBack);
    QFETCH(bool, italicBack);
    ZStyleWidget widget;
    QFont font(family, 20);
    font.setWeight(weight);
    font.setStyle(style);
    font.setUnderline(underline);
    widget.setFont(font, QColor(Qt::red));
    const QFont back = widget.selectedFont();
    QCOMPARE(back.weight(), weightBack);
    QCOMPARE(back.italic(), italicBack);
    QCOMPARE(back.underline(), underline);
    QCOMPARE(back.family(), family);
    widget.fontCombo()->setCurrentFont(QFont(QStringLiteral("DejaVu Serif")));
    QCOMPARE(widget.selectedFont().family(), widget.fontCombo()->currentText());
    QCOMPARE(back.pointSize(), QFont().pointSize()); // the size is not edited
    QCOMPARE(widget.fontColor(), QColor(Qt::red));
}

void tst_ZStyleWidget::background()
{
    ZStyleWidget widget;
    QCOMPARE(widget.backgroundColor(), QColor()); // nothing selected yet
    widget.setBackgroundColor(QColor(0, 128, 128));
    widget.setBackgroundColor(QColor(1, 2, 3)); // not in the palette
    QCOMPARE(widget.backgroundColor(), QColor(0, 128, 128));
    widget.setBackgroundColor(QColor()); // "No Color"
    QCOMPARE(widget.backgroundGrid()->selectedIndex(), 0);
    QVERIFY(!widget.backgroundColor().isValid());
}

void tst_ZStyleWidget::comboOpensFromItsButtonOnly()
{
    QWidget window;
    auto *combo = new ZStyleCombo(&window);
    combo->setGeometry(0, 0, 120, 24);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy accepted(combo, &ZStyleCombo::accepted);
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(!combo->popup()->isVisible());
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(110, 15));
    QVERIFY(combo->popup()->isVisible());
    // Below the combo (the offscreen platform adds a small frame offset).
    QVERIFY((combo->popup()->pos() - combo->mapToGlobal(QPoint(0, 24))).manhattanLength() <= 4);
    QTest::mouseClick(combo->popup()->findChild<QPushButton *>(), Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(!combo->popup()->isVisible());
}

QTEST_MAIN(tst_ZStyleWidget)
#include "tst_zstylewidget.moc"
