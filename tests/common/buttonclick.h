#pragma once

#include <QCheckBox>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QtTest>

// Clicks a button where it takes clicks whatever its text and font: a check box or radio
// button on its indicator (a label drawn narrower than the layout expected, as without a
// Japanese font, leaves the middle of the button outside its click area), others in the middle.
inline void clickButton(QAbstractButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const bool isCheckBox = qobject_cast<QCheckBox *>(button) != nullptr;
    const QRect indicator = button->style()->subElementRect(
        isCheckBox ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator, &option,
        button);
    const bool hasIndicator = isCheckBox || qobject_cast<QRadioButton *>(button);
    QTest::mouseClick(button, Qt::LeftButton, {},
                      hasIndicator ? indicator.center() : button->rect().center());
}
