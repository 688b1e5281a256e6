#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QProgressBar;
class QPushButton;

// 計算中: shown modelessly while the engines run. The main window stays disabled while it is
// shown; 中断 (also Escape or closing it) sets the abort flag and closes it at once, giving the
// main window back. The run reads the flag on its next poll.
class CStopDlg : public QDialog {
    Q_OBJECT
public:
    explicit CStopDlg(QWidget* mainWindow);
    ~CStopDlg() override;

    void SetProgressText(const QString& text);  // control 1031
    void SetProgress(int percent);              // bar 1032, 0..100
    // The best result so far ("" none yet); 現在の結果で確定 is enabled once `canTake`.
    void SetBestSoFar(const QString& text, bool canTake);
    int Aborted() const { return m_abort; }
    // 現在の結果で確定 was pressed: the run stops its jobs and keeps the best ended result.
    bool TakeCurrent() const { return m_takeCurrent; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // While the engines run, the main window cannot be closed (it is disabled, as a window
    // that cannot take a click on its close box either).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void GiveBackMainWindow();

    QPointer<QWidget> m_mainWindow;
    bool m_disabledMain = false;  // this dialog disabled the main window
    int m_abort = 0;
    bool m_takeCurrent = false;
    QLabel* m_text = nullptr;
    QLabel* m_best = nullptr;
    QPushButton* m_take = nullptr;
    QProgressBar* m_bar = nullptr;
};
