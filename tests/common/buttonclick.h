#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>

// Clicks a button where it takes clicks whatever its text and font: a check box or radio
// button on its indicator (the middle of its rectangle lies beyond a label drawn narrower
// than the form's layout expected, as without a Japanese font), any other button in its middle.
inline void clickButton(QAbstractButton *button)
{
    QVERIFY(button);
    QStyleOptionButton option;
    option.initFrom(button);
    QPoint point = button->rect().center();
    if (qobject_cast<QCheckBox *>(button))
        point =
            button->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, button).center();
    else if (qobject_cast<QRadioButton *>(button))
        point = button->style()
                    ->subElementRect(QStyle::SE_RadioButtonIndicator, &option, button)
                    .center();
    QTest::mouseClick(button, Qt::LeftButton, {}, point);
}
