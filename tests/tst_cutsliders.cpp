#include "editorfixture.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

// The low and high cut: their boxes, and their sliders moved by drag, mouse,
// keys, wheel and groove, each storing what it shows (the high cut's
// running backwards) and saying it in a tip.

class TestCutSliders : public QObject, private EditorFixture
{
    Q_OBJECT

private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void cutBoxesToggleFlagAndSlider_data();
    void cutBoxesToggleFlagAndSlider();
    void draggingTheLowCutStoresThePosition();
    void draggingTheHighCutRunsBackwards_data();
    void draggingTheHighCutRunsBackwards();
    void aRealMouseDragStoresWhereTheHandleStops_data();
    void aRealMouseDragStoresWhereTheHandleStops();
    void keysWheelAndGrooveStoreThePosition_data();
    void keysWheelAndGrooveStoreThePosition();

private:
    QString tip() { return QToolTip::isVisible() ? QToolTip::text() : QString(); }
};

void TestCutSliders::cutBoxesToggleFlagAndSlider_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("other");
    QTest::newRow("low cut") << "lowCutCheckbox" << "lowCutSlider" << "highCutSlider";
    QTest::newRow("high cut") << "highCutCheckbox" << "highCutSlider" << "lowCutSlider";
}

void TestCutSliders::cutBoxesToggleFlagAndSlider()
{
    QFETCH(QString, box);
    QFETCH(QString, slider);
    QFETCH(QString, other);
    const bool low = box.startsWith(QLatin1String("low"));
    const auto flag = [&] { return low ? stored().lowCut : stored().highCut; };
    const auto frequencies = [&] {
        return QPair<int, int>(stored().lowCutFrequency, stored().highCutFrequency);
    };
    const auto before = frequencies();

    find<QCheckBox>(qPrintable(box))->click();
    QVERIFY(flag());
    QVERIFY(find<QSlider>(qPrintable(slider))->isEnabled());
    QVERIFY(!find<QSlider>(qPrintable(other))->isEnabled());

    find<QCheckBox>(qPrintable(box))->click();
    QVERIFY(!flag());
    QVERIFY(!find<QSlider>(qPrintable(slider))->isEnabled());
    QCOMPARE(frequencies(), before);
}

void TestCutSliders::draggingTheLowCutStoresThePosition()
{
    find<QCheckBox>("lowCutCheckbox")->click();
    drag(find<QSlider>("lowCutSlider"), 300);
    QCOMPARE(stored().lowCutFrequency, 300);
    QCOMPARE(tip(), QStringLiteral("Low cut: 300 Hz"));

    // Switching the cut off and on keeps the frequency, shown while disabled.
    find<QCheckBox>("lowCutCheckbox")->click();
    find<QComboBox>("sampleCombo")->setCurrentIndex(1);
    find<QComboBox>("sampleCombo")->setCurrentIndex(0);
    QCOMPARE(find<QSlider>("lowCutSlider")->value(), 300);
    QVERIFY(!find<QSlider>("lowCutSlider")->isEnabled());
    QCOMPARE(stored().lowCutFrequency, 300);
}

void TestCutSliders::draggingTheHighCutRunsBackwards_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("frequency");
    QTest::addColumn<int>("shownAgain");
    QTest::newRow("left end") << 20 << 19960 << 20;
    QTest::newRow("default") << 1980 << 18000 << 1980;
    QTest::newRow("zero hertz") << 19980 << 0 << 19980;
    QTest::newRow("right end") << 20000 << 20 << 19960;
}

void TestCutSliders::draggingTheHighCutRunsBackwards()
{
    QFETCH(int, position);
    QFETCH(int, frequency);
    QFETCH(int, shownAgain);

    find<QCheckBox>("highCutCheckbox")->click();
    drag(find<QSlider>("highCutSlider"), position);
    QCOMPARE(stored().highCutFrequency, frequency);

    find<QComboBox>("sampleCombo")->setCurrentIndex(1);
    QCOMPARE(find<QSlider>("highCutSlider")->value(), 1980);
    find<QComboBox>("sampleCombo")->setCurrentIndex(0);
    QCOMPARE(find<QSlider>("highCutSlider")->value(), shownAgain);
    QCOMPARE(stored().highCutFrequency, frequency);
}

void TestCutSliders::aRealMouseDragStoresWhereTheHandleStops_data()
{
    QTest::addColumn<QString>("cut");
    QTest::addColumn<int>("hertz");
    QTest::addColumn<QString>("shown");
    // Past the right end: the low cut's highest frequency, and the high
    // cut's lowest, as that slider runs backwards.
    QTest::newRow("low cut") << "low" << 20000 << "Low cut: 20000 Hz";
    QTest::newRow("high cut") << "high" << 20 << "High cut: 20 Hz";
}

void TestCutSliders::aRealMouseDragStoresWhereTheHandleStops()
{
    QFETCH(QString, cut);
    QFETCH(int, hertz);
    QFETCH(QString, shown);
    find<QCheckBox>(qPrintable(cut + "CutCheckbox"))->click();
    auto *slider = find<QSlider>(qPrintable(cut + "CutSlider"));
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                        QStyle::SC_SliderHandle, slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, handle.center());
    QTest::mouseMove(slider, QPoint(slider->width() + 50, handle.center().y()));
    QCOMPARE(tip(), shown);
    QTest::mouseRelease(slider, Qt::LeftButton, {},
                        QPoint(slider->width() + 50, handle.center().y()));
    QCOMPARE(slider->value(), 20000);
    QCOMPARE(cut == "low" ? stored().lowCutFrequency : stored().highCutFrequency, hertz);
}

void TestCutSliders::keysWheelAndGrooveStoreThePosition_data()
{
    QTest::addColumn<QString>("cut");
    QTest::addColumn<QString>("way");
    for (const char *cut : {"low", "high"}) {
        for (const char *way : {"keys", "wheel", "groove"})
            QTest::addRow("%s cut, %s", cut, way) << QString(cut) << QString(way);
    }
}

void TestCutSliders::keysWheelAndGrooveStoreThePosition()
{
    QFETCH(QString, cut);
    QFETCH(QString, way);
    const bool low = cut == QLatin1String("low");
    const auto frequency = [&] { return low ? stored().lowCutFrequency : stored().highCutFrequency; };
    find<QCheckBox>(qPrintable(cut + "CutCheckbox"))->click();
    auto *slider = find<QSlider>(qPrintable(cut + "CutSlider"));
    const QPoint groove(slider->width() - 2, slider->height() / 2);
    if (way == QLatin1String("keys")) {
        slider->setFocus();
        for (Qt::Key key : {Qt::Key_End, Qt::Key_Home, Qt::Key_PageUp, Qt::Key_Right})
            QTest::keyClick(slider, key);
    } else if (way == QLatin1String("wheel")) {
        QWheelEvent up(groove, slider->mapToGlobal(groove), {}, {0, 120}, Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider, &up);
    } else {
        QTest::mouseClick(slider, Qt::LeftButton, {}, groove);
    }
    const int shown = slider->value();
    QVERIFY(shown != (low ? 50 : 1980));
    const int expected = low ? shown : qAbs(shown - 19980);
    QCOMPARE(frequency(), expected);
    if (way != QLatin1String("groove")) // a groove click's tip goes with the button
        QCOMPARE(tip(), QStringLiteral("%1 cut: %2 Hz").arg(low ? "Low" : "High").arg(expected));

    find<QComboBox>("sampleCombo")->setCurrentIndex(1);
    find<QComboBox>("sampleCombo")->setCurrentIndex(0);
    QCOMPARE(slider->value(), shown);
    QCOMPARE(frequency(), expected);
}

QTEST_MAIN(TestCutSliders)
#include "tst_cutsliders.moc"
