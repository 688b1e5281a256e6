#pragma once

#include <QDialog>

// バージョン情報: the program icon, its name and version, OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
