// An integer spin edit whose text is the value: any text can be typed (the owner decides what
// a text that is not an integer means), while the spin buttons and the arrow keys keep the
// value within a range.
#pragma once

#include <QAbstractSpinBox>
#include <QLineEdit>

class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    TSpinEdit(int minValue, int maxValue, int value, QWidget* parent = nullptr);

    // The text as an integer; 0 when it is not one.
    int value() const;
    void setText(const QString& text);
    QString text() const;
    QLineEdit* Editor() const { return lineEdit(); }

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

signals:
    // Every change of the text, typed or set.
    void textChanged(const QString& text);

protected:
    StepEnabled stepEnabled() const override;

private:
    int MinValue, MaxValue;
};
