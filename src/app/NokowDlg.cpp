#include "app/NokowDlg.h"

#include <algorithm>
#include <cmath>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QDoubleSpinBox>
#include <QSignalBlocker>
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
    // 仕上げ代: added on each banded edge of a part, milled off before banding.
    m_premill = new QDoubleSpinBox(this);
    m_premill->setObjectName("edgePremillSpin");
    m_premill->setDecimals(1);
    m_premill->setRange(0.0, kMaxEdgePremill / 10.0);
    m_premill->setSingleStep(0.5);
    m_premill->setSuffix(" mm");
    m_premill->setValue(values.EdgePremill / 10.0);
    auto* premillLabel = new QLabel("エッジの仕上げ代(&E)", this);
    premillLabel->setBuddy(m_premill);
    maxCalRow->addSpacing(24);
    maxCalRow->addWidget(premillLabel);
    maxCalRow->addWidget(m_premill);

    // 配置候補: how much dearer than the result the plans to choose from may be.
    m_planTolerance = new QSpinBox(this);
    m_planTolerance->setObjectName("planToleranceSpin");
    m_planTolerance->setRange(0, kMaxPlanTolerance);
    m_planTolerance->setSuffix(" %");
    m_planTolerance->setValue(values.PlanTolerance);
    auto* planLabel = new QLabel("配置候補の価格差(&P)", this);
    planLabel->setBuddy(m_planTolerance);
    auto* planRow = new QHBoxLayout;
    planRow->addWidget(planLabel);
    planRow->addWidget(m_planTolerance);
    planRow->addWidget(new QLabel("（最安の結果からこの差までの配置を比べられます）", this));
    planRow->addStretch(1);

    QGroupBox* labelGroup = CreateLabelGroup(values.Labels);

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
    layout->addLayout(planRow);
    layout->addWidget(labelGroup);
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
    values.EdgePremill = static_cast<int>(m_premill->value() * 10.0 + 0.5);
    values.PlanTolerance = m_planTolerance->value();
    values.Labels = LabelsShown();
    return values;
}

QGroupBox* CNokowDlg::CreateLabelGroup(const LabelLayout& layout)
{
    auto* group = new QGroupBox("ラベル用紙 (A4)", this);
    auto* grid = new QGridLayout(group);
    m_labelPreset = new QComboBox(group);
    m_labelPreset->setObjectName("labelPresetCombo");
    for (const LabelPreset& preset : kLabelPresets) {
        m_labelPreset->addItem(QString::fromUtf8(preset.Caption));
    }
    m_labelPreset->addItem("その他");
    auto spin = [group](const char* name, int low, int high) {
        auto* box = new QSpinBox(group);
        box->setObjectName(name);
        box->setRange(low, high);
        return box;
    };
    m_labelCols = spin("labelColsSpin", 1, kMaxLabelColumns);
    m_labelRows = spin("labelRowsSpin", 1, kMaxLabelRows);
    m_labelStart = spin("labelStartSpin", 1, kMaxLabelColumns * kMaxLabelRows);
    const char* const lengthNames[] = {"labelMarginXSpin", "labelMarginYSpin", "labelGapXSpin", "labelGapYSpin"};
    const int lengthMax[] = {kMaxLabelMargin, kMaxLabelMargin, kMaxLabelGap, kMaxLabelGap};
    for (std::size_t i = 0; i < m_labelLengths.size(); ++i) {
        auto* box = new QDoubleSpinBox(group);
        box->setObjectName(lengthNames[i]);
        box->setDecimals(1);
        box->setRange(0.0, lengthMax[i] / 10.0);
        box->setSingleStep(0.1);
        box->setSuffix(" mm");
        m_labelLengths[i] = box;
    }
    ShowLabels(layout);

    grid->addWidget(new QLabel("用紙", group), 0, 0);
    grid->addWidget(m_labelPreset, 0, 1);
    grid->addWidget(new QLabel("列数", group), 0, 2);
    grid->addWidget(m_labelCols, 0, 3);
    grid->addWidget(new QLabel("行数", group), 0, 4);
    grid->addWidget(m_labelRows, 0, 5);
    grid->addWidget(new QLabel("開始位置", group), 0, 6);
    grid->addWidget(m_labelStart, 0, 7);
    grid->addWidget(new QLabel("左右余白", group), 1, 0);
    grid->addWidget(m_labelLengths[0], 1, 1);
    grid->addWidget(new QLabel("上下余白", group), 1, 2);
    grid->addWidget(m_labelLengths[1], 1, 3);
    grid->addWidget(new QLabel("横の間隔", group), 1, 4);
    grid->addWidget(m_labelLengths[2], 1, 5);
    grid->addWidget(new QLabel("縦の間隔", group), 1, 6);
    grid->addWidget(m_labelLengths[3], 1, 7);

    connect(m_labelPreset, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(kLabelPresets.size())) {
            LabelLayout chosen = kLabelPresets[static_cast<std::size_t>(index)].Layout;
            chosen.Skip = LabelsShown().Skip;
            ShowLabels(chosen);
        }
    });
    auto follow = [this] { ShowLabels(LabelsShown()); };
    for (QSpinBox* box : {m_labelCols, m_labelRows}) {
        connect(box, &QSpinBox::valueChanged, this, follow);
    }
    for (QDoubleSpinBox* box : m_labelLengths) {
        connect(box, &QDoubleSpinBox::valueChanged, this, follow);
    }
    return group;
}

LabelLayout CNokowDlg::LabelsShown() const
{
    LabelLayout layout;
    layout.Columns = m_labelCols->value();
    layout.Rows = m_labelRows->value();
    int* lengths[] = {&layout.MarginX, &layout.MarginY, &layout.GapX, &layout.GapY};
    for (std::size_t i = 0; i < m_labelLengths.size(); ++i) {
        *lengths[i] = static_cast<int>(std::lround(m_labelLengths[i]->value() * 10.0));
    }
    layout.Skip = m_labelStart->value() - 1;
    return layout;
}

void CNokowDlg::ShowLabels(const LabelLayout& layout)
{
    const QSignalBlocker blocks[] = {QSignalBlocker(m_labelCols), QSignalBlocker(m_labelRows),
                                     QSignalBlocker(m_labelLengths[0]), QSignalBlocker(m_labelLengths[1]),
                                     QSignalBlocker(m_labelLengths[2]), QSignalBlocker(m_labelLengths[3])};
    m_labelCols->setValue(layout.Columns);
    m_labelRows->setValue(layout.Rows);
    const int lengths[] = {layout.MarginX, layout.MarginY, layout.GapX, layout.GapY};
    for (std::size_t i = 0; i < m_labelLengths.size(); ++i) {
        m_labelLengths[i]->setValue(lengths[i] / 10.0);
    }
    m_labelStart->setMaximum(std::max(1, layout.Columns * layout.Rows));
    m_labelStart->setValue(layout.Skip + 1);
    const int preset = FindLabelPreset(layout);
    m_labelPreset->setCurrentIndex(preset >= 0 ? preset : static_cast<int>(kLabelPresets.size()));
}

void CNokowDlg::done(int result)
{
    // A sheet whose cells are too small stays in the dialog with the reason.
    if (result == QDialog::Accepted) {
        if (const std::string problem = LabelLayoutProblem(LabelsShown()); !problem.empty()) {
            QMessageBox::warning(this, "初期設定", QString::fromStdString(problem));
            m_labelCols->setFocus();
            return;
        }
    }
    QDialog::done(result);
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
