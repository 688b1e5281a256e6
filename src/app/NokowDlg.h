#pragma once

#include <QDialog>
#include <array>

#include "app/NokowForm.h"

class FileChooser;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
struct Settings;

// 初期設定: folders, cost method, start-up resets, print and display switches, the reading rule
// of old files, the number of simultaneous calculations, the smallest offcut kept and the label
// sheet.
class CNokowDlg : public QDialog {
    Q_OBJECT
public:
    CNokowDlg(const NokowValues& values, FileChooser& chooser, QWidget* parent = nullptr);

    // The values as the controls show them.
    NokowValues Values() const;

private:
    FileChooser& m_chooser;
    NokowValues m_initial;
    std::array<QLineEdit*, 4> m_folders{};
    std::array<QRadioButton*, 4> m_tanka{};
    std::array<QCheckBox*, 9> m_checks{};
    QComboBox* m_maxCal = nullptr;
    std::array<QSpinBox*, 2> m_offcut{};  // 端材の最小寸法, whole mm
    QDoubleSpinBox* m_premill = nullptr;  // 仕上げ代, mm to 0.1
    QSpinBox* m_planTolerance = nullptr;  // 配置候補の価格差, %
    // ラベル用紙: a preset fills the controls; controls that match a preset show it.
    QComboBox* m_labelPreset = nullptr;
    QSpinBox* m_labelCols = nullptr;
    QSpinBox* m_labelRows = nullptr;
    std::array<QDoubleSpinBox*, 4> m_labelLengths{};  // margins x, y, gaps x, y in mm
    QSpinBox* m_labelStart = nullptr;  // 開始位置, 1-based

    QGroupBox* CreateLabelGroup(const LabelLayout& layout);
    LabelLayout LabelsShown() const;
    void ShowLabels(const LabelLayout& layout);
    void done(int result) override;
};

// Runs the dialog on the settings: OK copies the values back (the number of simultaneous
// calculations follows at once), Cancel changes nothing. True on OK.
bool RunInitialSettings(Settings& settings, FileChooser& chooser, QWidget* parent);
