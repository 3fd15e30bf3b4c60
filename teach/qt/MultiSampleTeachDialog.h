#pragma once

#include <QDialog>
#include <array>

#include "teach/MultiSampleTeachView.h"
#include "widgets/qt/SensorEventTarget.h"

class CMultiSampleTeachDlg;
class QLineEdit;
class QPushButton;

// The "Multi-Sample Teach " dialog: ten rows of a Teach button and three read-only sample
// fields, and the result. It hands the presses and the sensor proxy's notifications to its
// controller and shows what the controller pushes.
class CMultiSampleTeachDialog : public QDialog, public MultiSampleTeachView {
    Q_OBJECT

public:
    CMultiSampleTeachDialog(CMultiSampleTeachDlg& controller, QWidget* parent);
    ~CMultiSampleTeachDialog() override;

    QPushButton* TeachButton(int row) const { return m_teach[row]; }
    QLineEdit* SampleField(int row, int colour) const { return m_samples[row][colour]; }
    QLineEdit* ResultField(bool tolerance, int colour) const {
        return (tolerance ? m_tolerance : m_color)[colour];
    }

    // MultiSampleTeachView
    void EnableTeachButton(int row, bool enable) override;
    void Push(const MultiSampleTexts& texts) override;
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override;
    void EndDialog(DialogResult result) override;
    NotifyTarget& SensorTarget() override { return m_target; }

public slots:
    void accept() override;
    void reject() override;

protected:
    bool event(QEvent* event) override;

private:
    CMultiSampleTeachDlg& m_controller;
    std::array<QPushButton*, SAMPLE_ROWS> m_teach{};
    std::array<std::array<QLineEdit*, 3>, SAMPLE_ROWS> m_samples{};
    std::array<QLineEdit*, 3> m_color{};
    std::array<QLineEdit*, 3> m_tolerance{};
    std::array<QLineEdit*, 3> m_spread{};
    CSensorEventTarget m_target;
    bool m_keyboardOnTeach = false; // a Teach press took the focus from its own button
};
