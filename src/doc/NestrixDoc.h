#pragma once

#include <string>

#include "base/Settings.h"
#include "job/Buzai.h"
#include "job/Edge.h"
#include "job/Genban.h"
#include "result/CutData.h"
#include "result/PlanChoice.h"
#include "result/RetData.h"

struct JobDocument;

class Prompt;
struct Settings;

// The job and the last layout result, from start-up to the end of the program.
// Lives on the user-interface thread; a calculation only reads the lists.
class CNestrixDoc {
public:
    CNestrixDoc();

    CBuzaiList BuzaiList;   // parts (IsSecondary 0)
    CBuzaiList YBuzaiList;  // secondary parts (IsSecondary 1)
    CGenbanList GenbanList;
    CEdgeList EdgeList;  // the shop's band table ("Edge" in the program folder)

    // The last layout result; it counts only while ResultPresent is 1. Its boards are those of
    // ResultBoards: the board list as the calculation had it, or the opened job file's.
    CRetData RetData;
    CGenbanList ResultBoards;
    // The parts and secondary parts as the result's calculation laid them out (at the cut sizes
    // of their bands, CutSizeList), and its band table: what the result's outputs are made of.
    CBuzaiList ResultParts;
    CBuzaiList ResultSecondary;
    CEdgeList ResultEdges;
    int ResultPresent = 0;  // 1 once a calculation produced a result; cleared when a list changes
    bool HasUnplacedParts() const { return !RetData.Unplaced.empty(); }

    // The secondary parts are an opened job's: they go into its job file, and "YBuzai", the
    // shop's own list in the program folder, stays as it is.
    bool YBuzaiOfJob = false;

    // 在庫反映: the result was applied to the board list; a 取り消し is possible (the list before
    // the last one is kept in the program folder).
    bool StockApplied = false;
    bool StockUndoAvailable = false;
    std::string StockUndoId;  // the id of this window's last 在庫反映 record; "" when none

    int CurrentBoard = 0;  // used board shown by the view
    int RedrawNeeded = 1;  // set by whoever changes what is shown; cleared by painting
    int Modified = 0;      // the parts list has changes that were not written

    // 1 when "Genban" / "YBuzai" existed but could not be read and no verified copy of it could
    // be made, 2 when it was changed by another program and the user chose not to write over it:
    // the end does not write over it (the list goes to a new file beside it instead).
    int GenbanKept = 0;
    int YBuzaiKept = 0;
    int EdgeKept = 0;

    // A job file as the document last read or wrote it: what "changed" is measured against.
    struct FileSeen {
        bool Exists = false;
        std::string Bytes;
    };
    FileSeen GenbanSeen;
    FileSeen YBuzaiSeen;
    FileSeen EdgeSeen;

    // Reloads the boards from "Genban" and the secondary parts from "YBuzai" in the program
    // folder unless the settings reset them; a reloaded list counts as not saved. A file that
    // cannot be read has shown its message and leaves its list as read so far; its bytes are
    // copied to the first free "NAME.bak", "NAME.bak.1", … and the copy is read back before the
    // user is told it exists. Always 1.
    int OnNewDocument(const Settings& settings, const std::string& folder, Prompt& prompt);

    // A parts file named on the command line, read as 読み込み reads one: into the emptied parts
    // list, with its messages. The list counts as saved unless a file that failed half way left
    // some of its lines. 1 when the file was read.
    int OpenPartsFile(const std::string& path, const Settings& settings, Prompt& prompt);

    // Writes back each of the two lists whose file bytes differ from the file as it was read or
    // last written, whatever their Saved flags; the parts list is not written, nor the secondary
    // parts while they are an opened job's (YBuzaiOfJob). A file that
    // another program changed since is written over only when the user says so; else, and for
    // a kept file, the list goes (at the end only) to the first free "NAME.new", "NAME.new.1", …
    // and the user is told. Write errors are shown by the writers.
    void SaveListFiles(const std::string& folder, Prompt& prompt, bool atEnd);

    // The question before closing. True lets the program close.
    bool CanClose(Prompt& prompt) const;

    // The job file (.nestrix) being worked on: its path ("" until opened or saved), the job
    // information of the cut data dialog and the calculation settings of the result.
    std::string JobPath;
    CutDataInfo JobInfo;
    Settings JobRun;
    bool HasJobRun = false;  // JobRun holds the settings of an opened job or of the last calculation

    // The settings to show, print and cut the result with: `app` with the calculation settings
    // of the result (its kerf above all).
    Settings ResultSettings(const Settings& app) const;
    // The opened job's own boards, and whether 配置 lays out with them instead of the board list
    // (chosen when the list lacks them): the shop's list and its file stay as they are.
    CGenbanList JobBoards;
    bool LayoutWithJobBoards = false;
    // The boards 配置 offers: the job's own or the board list.
    CGenbanList& LayoutBoards() { return LayoutWithJobBoards ? JobBoards : GenbanList; }
    const CGenbanList& LayoutBoards() const { return LayoutWithJobBoards ? JobBoards : GenbanList; }
    // Selects the boards of LayoutBoards that the result's calculation could use (same records).
    void SelectResultBoards();
    // Before a calculation: the parts and secondary parts at their cut sizes into ResultParts and
    // ResultSecondary, with the band table and `settings`' 仕上げ代. "" when every part can be
    // cut, else why not (the lists are then left as they were).
    std::string PrepareCutSizes(const Settings& settings);
    // After a calculation placed parts: the boards, the bands and the calculation settings it
    // used become the result's; its plans (配置候補, the result first) are kept to choose from.
    void KeepCalculation(const Settings& settings, std::vector<ResultPlan> plans = {});
    // The plans of the result, while the result is the chosen one of at least two; else null.
    const std::vector<ResultPlan>* ResultPlans() const;
    std::size_t ChosenPlan() const { return m_chosenPlan; }
    // The plan becomes the result. False (nothing changed) when there is no such plan or the
    // result was applied to the stock (在庫反映) already.
    bool ChoosePlan(std::size_t plan);
    // The job as a job file holds it: the parts, the secondary parts, the boards and settings of
    // the result (else the board list and the settings given), the result while present.
    JobDocument MakeJob(const Settings& settings) const;
    // Whether the job differs from its file as opened or last saved; without a job file, whether
    // the parts are not saved or a result is present.
    bool JobChanged(const Settings& settings) const;
    // An opened job replaces the parts, the secondary parts and the result.
    void OpenJob(const JobDocument& job, const std::string& path, const Settings& settings);
    // 新規: an empty job (no parts, secondary parts, result, job file or job information); the
    // board list stays, and "YBuzai" too (the new job's secondary parts are its own).
    void NewJob();
    // The job was written to `path` as `text`.
    void JobSaved(const std::string& path, const std::string& text);

private:
    std::vector<ResultPlan> m_plans;
    std::size_t m_chosenPlan = 0;
    std::string m_jobSavedText;  // the job file's text as opened or last saved
};

inline constexpr const char* kCloseQuestion = "部材を保存していません。\nこのまま終了しますか？";
inline constexpr const char* kCloseJobQuestion = "物件を保存していません。\nこのまま終了しますか？";
