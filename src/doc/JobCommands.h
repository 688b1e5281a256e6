#pragma once

#include <functional>
#include <string>

class CEdgeList;
class CGenbanList;
class CNestrixDoc;
class FileChooser;
class Prompt;
struct Settings;

// 物件を開く / 物件を保存: the job file commands without their windows.

// Asks before unsaved work goes (a changed job, unsaved parts or a result without a job file);
// then the open dialog unless `path` is given; then the file, read whole. A file that cannot be
// read shows why and changes nothing. The job replaces the parts, the secondary parts and the
// result, and heads the recent jobs. True when a job was opened.
bool OpenJobFile(CNestrixDoc& doc, Settings& settings, Prompt& prompt, FileChooser& chooser,
                 const std::string& path = "");

// The boards of an opened job that the board list lacks (the example on a first start, a job of
// another shop; a board whose count or remark alone changed is not lacking): named, then added at
// the end of the list, or taken for 配置 instead of the list (LayoutWithJobBoards), or left, as
// the user chooses.
enum class JobBoardsChoice { NotAsked, Added, LayOutWithThem, Left };
inline constexpr const char* kJobBoardsQuestion =
    "原板リストに加えるか、この物件の原板だけで配置し直すかを選んでください。\n"
    "（どちらもしないと、この物件を配置し直すときに使えません）";
JobBoardsChoice OfferJobBoards(CNestrixDoc& doc, const CGenbanList& boards, Prompt& prompt);

// A job's bands whose codes the band table lacks: named, and added at its end when the user
// agrees (配置 of the job needs them). True when they were added.
inline constexpr const char* kJobEdgesQuestion =
    "エッジ材に加えますか？\n（加えないと、この物件を配置し直すときにエッジ記号が見つかりません）";
bool OfferJobEdges(CNestrixDoc& doc, const CEdgeList& edges, Prompt& prompt);

// 新規: asks before unsaved work goes, as opening does, then starts an empty job (the board list
// stays). True when it did.
bool NewJobCommand(CNestrixDoc& doc, const Settings& settings, Prompt& prompt);

// Saves the job: without a result (parts edited since the calculation, or none made yet) the
// user chooses between calculating first (`calculate`, which returns whether a result came)
// and saving the job without a result. A job without a file, or `chooseFile`, gets the save
// dialog proposing "<物件名>.nestrix" in the folder of the parts file. True when written.
bool SaveJobFile(CNestrixDoc& doc, Settings& settings, Prompt& prompt, FileChooser& chooser, bool chooseFile,
                 const std::function<bool()>& calculate);

// "<物件名> — <file>.nestrix - Nestrix" (either alone when the job lacks the other), with " *"
// after them while the job file has unsaved changes; "Nestrix" for a job without either.
std::string JobWindowTitle(const CNestrixDoc& doc, const Settings& settings);

inline constexpr const char* kJobFilter = "物件ファイル (*.nestrix)|*.nestrix||";
inline constexpr const char* kOpenJobQuestion = "現在の物件は保存されていません。\n別の物件を開きますか？";
inline constexpr const char* kNewJobQuestion = "現在の物件は保存されていません。\n新しい物件を始めますか？";
inline constexpr const char* kSaveWithoutResultQuestion =
    "配置結果がありません（部材を変更したか、まだ計算していません）。\n"
    "配置計算を実行してから保存しますか？\n"
    "「いいえ」を選ぶと配置結果なしで保存します。";
