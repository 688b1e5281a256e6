#pragma once

#include <QDialog>
#include <array>

#include "app/NokowForm.h"

class FileChooser;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
struct Settings;

// 初期設定: folders, cost method, start-up resets, print and display switches, the reading rule
// of old files and the number of simultaneous calculations.
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
    std::array<QCheckBox*, 8> m_checks{};
    QComboBox* m_maxCal = nullptr;
};

// Runs the dialog on the settings: OK copies the values back (the number of simultaneous
// calculations follows at once), Cancel changes nothing. True on OK.
bool RunInitialSettings(Settings& settings, FileChooser& chooser, QWidget* parent);
