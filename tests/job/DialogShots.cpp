// Saves a picture of each job dialog filled with a small example job, to look at the columns,
// the Japanese texts and the layout: dialog_shots FOLDER
#include <QApplication>
#include <QDir>
#include <QTableView>
#include <cstdio>

#include "base/Settings.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "job/BuzaiDlg.h"
#include "job/DentakuDlg.h"
#include "job/GenbanDlg.h"
#include "job/ListEditor.h"
#include "platform/Canvas.h"
#include "platform/qt/QtCanvas.h"

namespace {

bool Save(QWidget& dialog, const QString& file)
{
    dialog.show();
    dialog.raise();
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
    }
    const bool saved = dialog.grab().save(file);
    std::printf("%s %s\n", saved ? "saved" : "cannot write", file.toLocal8Bit().constData());
    dialog.hide();
    return saved;
}

CBuzai Part(const char* name, const char* kind, int width, int height, int count, int noTurn,
            const char* remark)
{
    CBuzai part;
    part.Name = name;
    part.Kind = kind;
    part.Width = width;
    part.Height = height;
    part.Thickness = 180;
    part.Count = count;
    part.NoTurn = noTurn;
    part.Remark = remark;
    return part;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: dialog_shots FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(folder.path());
    QFont listFont(QtCanvas::ResolveFamily(kGothicFace));
    listFont.setStyleHint(QFont::TypeWriter);
    listFont.setFixedPitch(true);
    listFont.setPointSize(12);

    Settings settings;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    const auto noInput = [](auto&) { return false; };
    bool ok = true;

    CBuzaiList parts;
    parts.Items = {
        Part("側板", "ポリ合板", 6000, 4500, 2, 1, "木目縦"),
        Part("天板１２３４５６７８９０ABCDEFGH", "ポリ合板", 99999, 12345, 9999, 0, "１２３４５６"),
        Part("棚板", "", 5640, 3000, 4, 0, "")};
    parts.Renumber();
    {
        BuzaiListEditor editor(parts, settings, prompt, chooser, noInput);
        CListDlg dialog(
            "部材設定", BuzaiColumns(),
            [&](int row, int column) { return BuzaiCellText(parts.Items.at(row), column); }, editor, false,
            listFont);
        ok = Save(dialog, folder.filePath("parts-list.png")) && ok;
    }
    CBuzaiList secondary;
    secondary.IsSecondary = 1;
    secondary.Items = {Part("端材棚", "ポリ合板", 3000, 2000, 9999, 0, "")};
    secondary.Renumber();
    {
        BuzaiListEditor editor(secondary, settings, prompt, chooser, noInput);
        CListDlg dialog(
            "２次部材設定", BuzaiColumns(),
            [&](int row, int column) { return BuzaiCellText(secondary.Items.at(row), column); }, editor,
            false, listFont);
        ok = Save(dialog, folder.filePath("secondary-parts-list.png")) && ok;
    }
    CGenbanList boards;
    boards.Items.resize(3);
    boards.Items[0].Name = "サブロク";
    boards.Items[0].Kind = "ポリ合板";
    boards.Items[0].Price = 3500;
    boards.Items[1].Name = "シハチ１２３４５６７８";
    boards.Items[1].Width = 24000;
    boards.Items[1].Height = 12000;
    boards.Items[1].Price = 999999;
    boards.Items[1].Priority = 2;
    boards.Items[1].TrimTop = 99999;
    boards.Items[1].Remark = "１２３４５６";
    boards.Items[2].Name = "端材";
    boards.Items[2].Priority = 1;
    boards.Renumber();
    {
        GenbanListEditor editor(boards, settings, prompt, chooser, noInput);
        CListDlg dialog(
            "原板設定", GenbanColumns(),
            [&](int row, int column) { return GenbanCellText(boards.Items.at(row), column); }, editor, true,
            listFont);
        ok = Save(dialog, folder.filePath("boards-list.png")) && ok;
    }
    {
        CBuzaiInDlg dialog(parts.Items[0], prompt);
        ok = Save(dialog, folder.filePath("part-input.png")) && ok;
    }
    {
        CGenbanInDlg dialog(boards.Items[1], prompt);
        ok = Save(dialog, folder.filePath("board-input.png")) && ok;
    }
    {
        CDentakuDlg dialog("1820-2*3", prompt);
        ok = Save(dialog, folder.filePath("calculator.png")) && ok;
    }
    return ok ? 0 : 1;
}
