#include "view/ResultCommands.h"

#include "calc/CalHaichi.h"
#include "calc/LayoutRun.h"
#include "calc/engines/Engines.h"
#include "doc/JobCommands.h"
#include "doc/NestrixDoc.h"
#include "exchange/DxfExport.h"
#include "exchange/XlsxExport.h"
#include "result/JobFile.h"
#include "platform/Prompt.h"
#include "result/CutDataDlg.h"
#include "result/JobInfoDlg.h"
#include "result/EdgeTotals.h"
#include "result/RetDlg.h"
#include "view/Commands.h"
#include "view/NestrixView.h"

void OnLayoutCalculation(const ResultCommandContext& context)
{
    CNestrixDoc& doc = context.Doc;
    if (!IsCommandEnabled(kCmdLayout, doc)) {
        return;
    }
    // An opened job offers its own run options and the boards its result could use.
    Settings offered = context.AppSettings;
    if (!doc.JobPath.empty() && doc.HasJobRun) {
        CopyJobRunSettings(doc.JobRun, offered);
        if (doc.ResultPresent) {
            doc.SelectResultBoards();
        }
    }
    CGenbanList& boards = doc.LayoutBoards();
    if (!AskLayoutOptions(boards, offered, context.AppPrompt, context.ListFont, context.MainWindow)) {
        return;
    }
    // The dialog's options become the program's, as after any run; the search effort and the
    // sort switch, which no dialog shows, stay the program's own.
    const Settings app = context.AppSettings;
    context.AppSettings = offered;
    context.AppSettings.SearchEffort = app.SearchEffort;
    context.AppSettings.NoSort = app.NoSort;
    doc.RetData.Clear();
    doc.ResultPresent = 0;
    context.View.RequestRedraw();
    context.View.UpdateStatusBar();
    // Laid out at the cut sizes of the bands.
    if (const std::string wrong = doc.PrepareCutSizes(offered); !wrong.empty()) {
        context.AppPrompt.ShowError(wrong + "\n配置を中止しました。");
        if (context.CommandsChanged) {
            context.CommandsChanged();
        }
        return;
    }

    const LayoutRunEnd end = CalculateLayout(doc.ResultParts, doc.ResultSecondary, boards, offered,
                                             MakeEngine, doc.RetData, context.AppPrompt, context.MainWindow);
    if (end.Outcome == CalcRun::Outcome::Placed) {
        doc.ResultPresent = 1;
        doc.KeepCalculation(offered, end.Plans);
        context.View.OnNewResult();
    } else {
        doc.RetData.Clear();
        context.View.RequestRedraw();
        context.View.UpdateStatusBar();
    }
    if (context.CommandsChanged) {
        context.CommandsChanged();
    }
    for (const std::string& text : end.Messages) {
        context.AppPrompt.ShowError(text);
    }
    if (doc.ResultPresent) {
        OnShowResults(context);
    }
}

void OnShowResults(const ResultCommandContext& context)
{
    if (!context.Doc.ResultPresent) {
        return;
    }
    CNestrixDoc& doc = context.Doc;
    const Settings options = doc.ResultSettings(context.AppSettings);
    // Taking a plan shows the result again, the plan now the result.
    for (;;) {
        CRetDlg dialog(doc.RetData, options, context.AppPrompt, context.Chooser, context.ListFont,
                       context.MainWindow, &doc.ResultEdges, doc.ResultPlans(), doc.ChosenPlan());
        if (dialog.exec() != CRetDlg::kPlanTaken) {
            return;
        }
        if (!doc.ChoosePlan(dialog.TakenPlan())) {
            context.AppPrompt.ShowError("在庫に反映した結果は変更できません。");
            continue;
        }
        context.View.OnNewResult();
        context.View.UpdateStatusBar();
        if (context.CommandsChanged) {
            context.CommandsChanged();
        }
    }
}

void OnCutDataOutput(const ResultCommandContext& context)
{
    CNestrixDoc& doc = context.Doc;
    if (!doc.ResultPresent) {
        return;
    }
    const Settings options = doc.ResultSettings(context.AppSettings);
    ExportCutData({doc.RetData, doc.ResultParts, doc.ResultSecondary, doc.ResultBoards, options.NokoHaba,
                   MinOffcut(options)},
                  doc.JobInfo, context.AppSettings, context.AppPrompt, context.Chooser, context.MainWindow);
}

void OnJobInfo(const ResultCommandContext& context)
{
    // The printouts and labels read the header when they are made: nothing else to renew.
    EditJobInfo(context.Doc.JobInfo, context.AppPrompt, context.MainWindow);
}

void OnDxfOutput(const ResultCommandContext& context)
{
    CNestrixDoc& doc = context.Doc;
    if (!doc.ResultPresent) {
        return;
    }
    const Settings options = doc.ResultSettings(context.AppSettings);
    const std::optional<std::string> folder =
        context.Chooser.ChooseFolder("DXF ファイルの出力先フォルダ", context.AppSettings.RetFol);
    if (!folder) {
        return;
    }
    WritePatternDxfFiles(*folder,
                         {{doc.RetData, doc.ResultParts, doc.ResultSecondary, doc.ResultBoards},
                          options.NokoHaba,
                          MinOffcut(options)},
                         context.AppPrompt);
}

void OnXlsxOutput(const ResultCommandContext& context)
{
    CNestrixDoc& doc = context.Doc;
    if (!doc.ResultPresent) {
        return;
    }
    const Settings options = doc.ResultSettings(context.AppSettings);
    FileDialogOptions dialog{"Excel ブック (*.xlsx)|*.xlsx||", "xlsx", context.AppSettings.RetFol,
                             "Excel出力"};
    const std::string job = FileNameText(doc.JobInfo.JobName);
    dialog.FileName = (job.empty() ? std::string("配置結果") : job + "_配置結果") + ".xlsx";
    dialog.Kind = FileKind::CutData;  // beside the cut data files
    const std::optional<std::string> path = context.Chooser.SaveFile(dialog);
    if (!path) {
        return;
    }
    WorkbookSource source{{{doc.RetData, doc.ResultParts, doc.ResultSecondary, doc.ResultBoards},
                           options.NokoHaba,
                           MinOffcut(options)}};
    source.TankaType = options.TankaType;
    source.Info = doc.JobInfo;
    const EdgeTotals bands = CountEdges(doc.RetData, doc.ResultEdges);
    source.Bands = doc.ResultEdges.Items.empty() ? nullptr : &bands;
    WriteResultWorkbook(*path, source, context.AppPrompt);
}

void OnNewJob(const ResultCommandContext& context)
{
    if (NewJobCommand(context.Doc, context.AppSettings, context.AppPrompt)) {
        context.View.OnNewResult();
    }
    context.View.RequestRedraw();
    context.View.UpdateStatusBar();
}

void OnOpenJob(const ResultCommandContext& context, const std::string& path)
{
    if (OpenJobFile(context.Doc, context.AppSettings, context.AppPrompt, context.Chooser, path)) {
        context.View.OnNewResult();
    }
    context.View.RequestRedraw();
    context.View.UpdateStatusBar();
}

void OnSaveJob(const ResultCommandContext& context, bool chooseFile)
{
    SaveJobFile(context.Doc, context.AppSettings, context.AppPrompt, context.Chooser, chooseFile, [&context] {
        OnLayoutCalculation(context);
        return context.Doc.ResultPresent != 0;
    });
}
