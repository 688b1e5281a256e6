#include "calc/StopDlg.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CStopDlg::CStopDlg(QWidget* mainWindow) : QDialog(mainWindow), m_mainWindow(mainWindow)
{
    setObjectName("stopDialog");
    setWindowTitle("計算中");
    setModal(false);
    if (m_mainWindow && m_mainWindow->isEnabled()) {
        m_mainWindow->setEnabled(false);
        m_disabledMain = true;
    }
    if (m_mainWindow) {
        m_mainWindow->installEventFilter(this);
    }
    // A child of a disabled window would be disabled with it.
    setEnabled(true);

    auto* fixed =
        new QLabel("ただいま配置を計算しています。\n計算を中断する場合は中断ボタンを押してください。", this);
    m_text = new QLabel(this);
    m_text->setObjectName("progressText");
    m_bar = new QProgressBar(this);
    m_bar->setObjectName("progressBar");
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_best = new QLabel(this);
    m_best->setObjectName("bestSoFar");
    auto* buttons = new QDialogButtonBox(this);
    m_take = buttons->addButton("現在の結果で確定", QDialogButtonBox::ActionRole);
    m_take->setObjectName("takeCurrentButton");
    m_take->setEnabled(false);
    m_take->setAutoDefault(false);
    connect(m_take, &QPushButton::clicked, this, [this] {
        m_takeCurrent = true;
        m_take->setEnabled(false);
        m_best->setText(m_best->text() + "\n確定しています。計算中のジョブを止めています…");
    });
    QPushButton* stop = buttons->addButton("中断", QDialogButtonBox::RejectRole);
    stop->setObjectName("abortButton");
    // No default button: a stray Enter must not throw the run away (Esc and a click still stop).
    stop->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &CStopDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fixed);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    layout->addWidget(m_best);
    layout->addWidget(buttons);
    m_text->setMinimumWidth(m_text->fontMetrics().horizontalAdvance("進行度 100% 経過時間 00:00:00") * 3 / 2);
    m_best->setMinimumWidth(
        m_best->fontMetrics().horizontalAdvance("現在の最良 原板 9999枚 歩留まり 100.0% 金額 9,999,999円 グループ 99/99 完了"));
}

CStopDlg::~CStopDlg()
{
    GiveBackMainWindow();
}

void CStopDlg::SetProgressText(const QString& text)
{
    m_text->setText(text);
}

void CStopDlg::SetProgress(int percent)
{
    m_bar->setValue(percent);
}

void CStopDlg::SetBestSoFar(const QString& text, bool canTake)
{
    if (m_takeCurrent) {
        return;  // the text says that the result is being taken
    }
    m_best->setText(text);
    m_take->setEnabled(canTake);
}

void CStopDlg::reject()
{
    m_abort = 1;
    hide();
    GiveBackMainWindow();
}

void CStopDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

bool CStopDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mainWindow && event->type() == QEvent::Close && !m_abort) {
        event->ignore();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CStopDlg::GiveBackMainWindow()
{
    if (m_disabledMain && m_mainWindow) {
        m_mainWindow->setEnabled(true);
    }
    m_disabledMain = false;
}
