#pragma once

#include <string>
#include <vector>

#include "calc/CalcRun.h"

class QFont;
class QWidget;
class CBuzaiList;
class CGenbanList;
class CRetData;
class Prompt;
struct Settings;

// The board selection dialog 使用原板選択 on the board list, filled from the settings. On
// 配置実行 the boards' Use flags hold the selection, the options go back into the settings
// and the result is true.
bool AskLayoutOptions(CGenbanList& boards, Settings& settings, Prompt& prompt, const QFont& listFont,
                      QWidget* parent);

// How a calculation ended, and the messages of its end (processing time, nothing placed, an
// internal error) in their order, for the caller to show once the view shows the outcome.
struct LayoutRunEnd {
    CalcRun::Outcome Outcome = CalcRun::Outcome::Aborted;
    std::vector<std::string> Messages;
    std::vector<ResultPlan> Plans;  // 配置候補 of a placed result, the result first
};

// The calculation on the user-interface thread's event loop: the progress dialog 計算中 over
// the main window (disabled meanwhile), a timer polling the run every millisecond, the engines'
// messages shown as they come, 中断 stopping the run without a result. `ret` is emptied first
// and holds the finished result when the outcome is Placed.
LayoutRunEnd CalculateLayout(const CBuzaiList& buzai, const CBuzaiList& ybuzai, const CGenbanList& genban,
                             const Settings& settings, EngineFactory factory, CRetData& ret, Prompt& prompt,
                             QWidget* mainWindow);
