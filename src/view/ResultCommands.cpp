#include "view/ResultCommands.h"

#include "calc/CalHaichi.h"
#include "calc/LayoutRun.h"
#include "calc/engines/Engines.h"
#include "doc/NestrixDoc.h"
#include "platform/Prompt.h"
#include "result/CutDataDlg.h"
#include "result/RetDlg.h"
#include "view/Commands.h"
#include "view/NestrixView.h"

void OnLayoutCalculation(const ResultCommandContext& context)
{
    CNestrixDoc& doc = context.Doc;
    if (!IsCommandEnabled(kCmdLayout, doc)) {
        return;
    }
    if (!AskLayoutOptions(doc.GenbanList, context.AppSettings, context.AppPrompt, context.ListFont,
                          context.MainWindow)) {
        return;
    }
    doc.RetData.Clear();
    doc.ResultPresent = 0;
    context.View.RequestRedraw();
    context.View.UpdateStatusBar();

    const LayoutRunEnd end =
        CalculateLayout(doc.BuzaiList, doc.YBuzaiList, doc.GenbanList, context.AppSettings, MakeEngine,
                        doc.RetData, context.AppPrompt, context.MainWindow);
    if (end.Outcome == CalcRun::Outcome::Placed) {
        doc.ResultPresent = 1;
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
    CRetDlg dialog(context.Doc.RetData, context.AppSettings, context.AppPrompt, context.Chooser,
                   context.ListFont, context.MainWindow);
    dialog.exec();
}

void OnCutDataOutput(const ResultCommandContext& context)
{
    const CNestrixDoc& doc = context.Doc;
    if (!doc.ResultPresent) {
        return;
    }
    ExportCutData({doc.RetData, doc.BuzaiList, doc.YBuzaiList, doc.GenbanList, context.AppSettings.NokoHaba},
                  context.AppSettings, context.AppPrompt, context.Chooser, context.MainWindow);
}
