#include "app/Spineditunit.h"

#include "numeric/Baselineunit.h"

#include <QLineEdit>
#include <algorithm>

TSpinEdit::TSpinEdit(int minValue, int maxValue, int value, QWidget* parent)
    : QAbstractSpinBox(parent), MinValue(minValue), MaxValue(maxValue) {
    setKeyboardTracking(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    lineEdit()->setText(QString::number(value));
    connect(lineEdit(), &QLineEdit::textChanged, this, &TSpinEdit::textChanged);
}

int TSpinEdit::value() const {
    return ReadSpinText(lineEdit()->text().toStdString()).Value;
}

void TSpinEdit::setText(const QString& text) {
    if (lineEdit()->text() != text)
        lineEdit()->setText(text);
}

QString TSpinEdit::text() const {
    return lineEdit()->text();
}

void TSpinEdit::stepBy(int steps) {
    const int next = std::clamp(value() + steps, MinValue, MaxValue);
    setText(QString::number(next));
    lineEdit()->selectAll();
}

QValidator::State TSpinEdit::validate(QString&, int&) const {
    return QValidator::Acceptable;
}

void TSpinEdit::fixup(QString&) const {}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() < MaxValue)
        enabled |= StepUpEnabled;
    if (value() > MinValue)
        enabled |= StepDownEnabled;
    return enabled;
}
