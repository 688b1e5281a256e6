#include "app/NokowDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/Settings.h"

namespace {

struct FolderRow {
    const char* Label;
    const char* Name;
};

constexpr FolderRow kFolderRows[] = {
    {"部材データ", "buzaiFol"},
    {"２次部材データ", "yBuzaiFol"},
    {"原板データ", "genbanFol"},
    {"切断データ", "retFol"},
};

constexpr const char* kTankaCaptions[] = {"面積", "面積（２次部材は０円）", "原板", "原板（２次部材は０円）"};

struct CheckRow {
    const char* Caption;
    const char* Name;
    int NokowValues::*Value;
};

constexpr CheckRow kCheckRows[] = {
    {"起動時原板データ初期化", "resetGenbanCheck", &NokowValues::ResetGenbanFlg},
    {"起動時２次部材データ初期化", "resetYBuzaiCheck", &NokowValues::ResetYBuzaiFlg},
    {"印刷時プレビュー表示", "outPrnPreCheck", &NokowValues::OutPrnPre},
    {"切断ガイド表示", "outCutMarkCheck", &NokowValues::OutCutMark},
    {"切断ガイド寸法表示", "cutMarkSunCheck", &NokowValues::CutMarkSun},
    {"切断順序を表示", "cutOrderDispCheck", &NokowValues::CutOrderDisp},
    {"部材寸法表示", "buzaiSunCheck", &NokowValues::BuzaiSun},
    {"切断指示書のカラー印刷対応", "colorPrintCheck", &NokowValues::ColorPrint},
    {"Ver.2までのデータ読み込み時、「備考」を「種類」として読み込む", "oldBikouCheck",
     &NokowValues::OldBikou},
};

}  // namespace

CNokowDlg::CNokowDlg(const NokowValues& values, FileChooser& chooser, QWidget* parent)
    : QDialog(parent), m_chooser(chooser), m_initial(values)
{
    setObjectName("nokowDialog");
    setWindowTitle("初期設定");

    auto* folderGroup = new QGroupBox("データファイル登録フォルダの位置", this);
    auto* folderGrid = new QGridLayout(folderGroup);
    for (int i = 0; i < 4; ++i) {
        const FolderRow& row = kFolderRows[i];
        auto* edit = new QLineEdit(QString::fromStdString(values.Folders[i]), folderGroup);
        edit->setObjectName(QString(row.Name) + "Edit");
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(48, 'x')));
        auto* browse = new QPushButton("参照", folderGroup);
        browse->setObjectName(QString(row.Name) + "Browse");
        browse->setAutoDefault(false);
        connect(browse, &QPushButton::clicked, this, [this, edit] {
            const std::string chosen = BrowseFolder(m_chooser, edit->text().toStdString());
            edit->setText(QString::fromStdString(chosen));
        });
        folderGrid->addWidget(new QLabel(row.Label, folderGroup), i, 0);
        folderGrid->addWidget(edit, i, 1);
        folderGrid->addWidget(browse, i, 2);
        m_folders[i] = edit;
    }

    auto* tankaGroup = new QGroupBox("部材単価算出方法", this);
    auto* tankaLayout = new QVBoxLayout(tankaGroup);
    auto* tankaButtons = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(kTankaCaptions[i], tankaGroup);
        radio->setObjectName(QString("tankaRadio%1").arg(i));
        radio->setChecked(values.TankaType == i);
        tankaButtons->addButton(radio, i);
        tankaLayout->addWidget(radio);
        m_tanka[i] = radio;
    }

    auto* checkLayout = new QVBoxLayout;
    for (std::size_t i = 0; i < std::size(kCheckRows); ++i) {
        const CheckRow& row = kCheckRows[i];
        auto* check = new QCheckBox(row.Caption, this);
        check->setObjectName(row.Name);
        check->setChecked(values.*row.Value != 0);
        checkLayout->addWidget(check);
        m_checks[i] = check;
    }

    m_maxCal = new QComboBox(this);
    m_maxCal->setObjectName("maxCalCombo");
    for (const char* item : kMaxCalItems) {
        m_maxCal->addItem(item);
    }
    m_maxCal->setCurrentIndex(values.MaxCal >= 0 && values.MaxCal < m_maxCal->count() ? values.MaxCal : -1);
    auto* maxCalRow = new QHBoxLayout;
    maxCalRow->addWidget(new QLabel("同時計算数", this));
    maxCalRow->addWidget(m_maxCal);
    maxCalRow->addStretch(1);

    // 端材の最小寸法: width × length in whole mm; 0 keeps no offcuts.
    const std::array<int, 2> offcut = {values.MinOffcutW, values.MinOffcutL};
    const char* const offcutNames[] = {"offcutWidthSpin", "offcutLengthSpin"};
    for (std::size_t i = 0; i < m_offcut.size(); ++i) {
        m_offcut[i] = new QSpinBox(this);
        m_offcut[i]->setObjectName(offcutNames[i]);
        m_offcut[i]->setRange(0, 99999);
        m_offcut[i]->setSuffix(" mm");
        m_offcut[i]->setValue(offcut[i] / 10);
    }
    maxCalRow->addSpacing(24);
    maxCalRow->addWidget(new QLabel("端材の最小寸法", this));
    maxCalRow->addWidget(m_offcut[0]);
    maxCalRow->addWidget(new QLabel("×", this));
    maxCalRow->addWidget(m_offcut[1]);
    maxCalRow->addWidget(new QLabel("（0 で端材なし）", this));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton("ｷｬﾝｾﾙ", QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* middle = new QHBoxLayout;
    middle->addWidget(tankaGroup, 0, Qt::AlignTop);
    middle->addLayout(checkLayout, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(folderGroup);
    layout->addLayout(middle);
    layout->addLayout(maxCalRow);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

NokowValues CNokowDlg::Values() const
{
    NokowValues values = m_initial;
    for (std::size_t i = 0; i < m_folders.size(); ++i) {
        values.Folders[i] = m_folders[i]->text().toStdString();
    }
    // A stored method outside the four leaves every radio button clear and stays as it was.
    for (int i = 0; i < 4; ++i) {
        if (m_tanka[i]->isChecked()) {
            values.TankaType = i;
        }
    }
    for (std::size_t i = 0; i < std::size(kCheckRows); ++i) {
        values.*kCheckRows[i].Value = m_checks[i]->isChecked() ? 1 : 0;
    }
    if (m_maxCal->currentIndex() >= 0) {
        values.MaxCal = m_maxCal->currentIndex();
    }
    // A stored tenth of a millimetre stays unless the millimetres were changed.
    int* offcut[] = {&values.MinOffcutW, &values.MinOffcutL};
    for (std::size_t i = 0; i < m_offcut.size(); ++i) {
        if (m_offcut[i]->value() != *offcut[i] / 10) {
            *offcut[i] = m_offcut[i]->value() * 10;
        }
    }
    return values;
}

bool RunInitialSettings(Settings& settings, FileChooser& chooser, QWidget* parent)
{
    CNokowDlg dialog(NokowValues::FromSettings(settings), chooser, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    dialog.Values().ApplyTo(settings);
    return true;
}
