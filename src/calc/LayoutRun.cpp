#include "calc/LayoutRun.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "calc/SelGenbanDlg.h"
#include "calc/StopDlg.h"
#include "platform/Prompt.h"
#include "result/RetData.h"

namespace {

// Keeps the texts of the run's end until the view shows the outcome.
class DeferredPrompt final : public Prompt {
public:
    std::vector<std::string> Texts;
    void ShowError(const std::string& text) override { Texts.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        Texts.push_back(text);
        return false;
    }
};

}  // namespace

bool AskLayoutOptions(CGenbanList& boards, Settings& settings, Prompt& prompt, const QFont& listFont,
                      QWidget* parent)
{
    SelGenbanForm form(boards, settings);
    CSelGenbanDlg dialog(form, prompt, listFont, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    form.StoreInto(settings);
    return true;
}

LayoutRunEnd CalculateLayout(const CBuzaiList& buzai, const CBuzaiList& ybuzai, const CGenbanList& genban,
                             const Settings& settings, EngineFactory factory, CRetData& ret, Prompt& prompt,
                             QWidget* mainWindow)
{
    CalcRun run(buzai, ybuzai, genban, settings, std::move(factory));
    CStopDlg dialog(mainWindow);
    dialog.show();
    QCoreApplication::processEvents();

    QString shownText;
    int shownPercent = 0;
    QString shownBest;
    bool shownCanTake = false;
    const auto showProgress = [&] {
        // 現在の結果で確定 needs a result of every group: before that it would leave parts out.
        const QString best = QString::fromStdString(run.BestSoFarText());
        const CalcRun::Standing standing = run.BestSoFar();
        const bool canTake = standing.Groups > 0 && standing.GroupsWithResult == standing.Groups;
        if (best != shownBest || canTake != shownCanTake) {
            dialog.SetBestSoFar(best, canTake);
            shownBest = best;
            shownCanTake = canTake;
        }
        const QString text = QString::fromStdString(run.ProgressText());
        if (text != shownText) {
            dialog.SetProgressText(text);
            shownText = text;
        }
        const int percent = run.Percent();
        if (percent != shownPercent) {
            dialog.SetProgress(percent);
            shownPercent = percent;
        }
    };

    run.Start(ret);
    showProgress();
    bool ended = false;
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (dialog.Aborted()) {
            loop.quit();
            return;
        }
        if (dialog.TakeCurrent() && !run.TakingCurrent()) {
            run.TakeCurrent();
        }
        const bool running = run.Poll();
        const std::vector<std::string> messages = run.TakeMessages();
        if (!messages.empty()) {
            timer.stop();  // the message boxes run their own event loops
            for (const std::string& text : messages) {
                prompt.ShowError(text);
            }
            timer.start();
        }
        showProgress();
        if (!running) {
            ended = true;
            loop.quit();
        }
    });
    timer.start();
    loop.exec();
    timer.stop();
    if (!ended) {
        run.RequestAbort();  // 中断, or the application is ending: no result either way
    }

    // After 中断 the dialog is gone already; the engines stop at their next check of the
    // request, and nothing of the window is touched until they have.
    dialog.hide();
    DeferredPrompt end;
    LayoutRunEnd result;
    result.Outcome = run.Finish(ret, end);
    result.Plans = run.TakePlans();
    for (const std::string& text : run.TakeMessages()) {
        prompt.ShowError(text);
    }
    result.Messages = std::move(end.Texts);
    return result;
}
