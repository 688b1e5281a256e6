#pragma once

#include <QDialog>
#include <array>

#include "job/Genban.h"
#include "job/JobInput.h"
#include "job/ListDlg.h"

class QLineEdit;
class QRadioButton;

// The input dialog 原板: one board's values; OK checks them and stores them into the board.
class CGenbanInDlg : public QDialog {
    Q_OBJECT
public:
    CGenbanInDlg(CGenban& board, Prompt& prompt, QWidget* parent = nullptr);

public slots:
    void accept() override;

private:
    CGenban& m_board;
    Prompt& m_prompt;
    // In the order of GenbanField: name, width, height, thickness, price, count, four trims, kind, remark.
    std::array<QLineEdit*, 12> m_edits{};
    std::array<QRadioButton*, 3> m_priority{};
};

// The board list dialog 原板設定 on the list, modal. 1 when it changed the list.
int EditList(CGenbanList& list, const JobDialogContext& context);

// The cell texts of the board list dialog (fourteen columns: No. and the thirteen of the file).
std::string GenbanCellText(const CGenban& board, int column);
const std::vector<TextColumn>& GenbanColumns();
