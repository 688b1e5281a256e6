#pragma once

#include <cstddef>
#include <string>

#include "base/Settings.h"
#include "base/TextFile.h"
#include "job/Buzai.h"
#include "job/Edge.h"
#include "job/Genban.h"
#include "result/CutData.h"
#include "result/RetData.h"

// A job as one file (".nestrix", docs/job-file.md): its information, its lists, the settings
// of its calculation and the result. Boards is the board list of the run, its Use flags
// marking the boards the run could use; the result refers to its boards by their position in it.
struct JobDocument {
    CutDataInfo Info;
    CBuzaiList Parts;
    CBuzaiList Secondary;
    CGenbanList Boards;
    CEdgeList Edges;  // the band table the parts name (empty without bands)
    Settings Run;  // only the settings of the calculation count (JobRunSettings)
    bool HasResult = false;
    // Its list pointers name the three lists above after reading; its kept saw plan is that of
    // the lists at their cut sizes (CutSizeJob) with the run's kerf and smallest offcut.
    CRetData Result;
    std::string Program;       // "nestrix 1.2.0": the program that wrote the file
    JobDocument();
    JobDocument(const JobDocument& other);
    JobDocument& operator=(const JobDocument& other);
    // Points the result's list pointers at this document's lists (and lists bound to a band table at
    // its own).
    void Bind();
};

// The job as it is laid out and cut: its parts and secondary parts at their cut sizes
// (CutSizeList with the band table and the run's 仕上げ代), the result bound to them. False with
// `error` when a part cannot be cut.
bool CutSizeJob(const JobDocument& job, JobDocument& cut, std::string& error);

inline constexpr const char* kJobFormat = "nestrix-job";
inline constexpr int kJobFormatVersion = 1;
inline constexpr const char* kJobExtension = "nestrix";
inline constexpr std::size_t kMaxJobFileBytes = std::size_t(256) << 20;

// The calculation settings of `from` into `to` (kerf, cutting limit, machining method, the run
// options of the board selection dialog, the sort switch); the other settings stay.
void CopyJobRunSettings(const Settings& from, Settings& to);

// The file's text (UTF-8 JSON).
std::string JobToJson(const JobDocument& job);
// Reads the text whole; false with `error` (what is wrong and where, in Japanese) and `job`
// untouched when the text is no job file of a version this program reads, a field is missing
// or of the wrong type, or the result does not fit its lists.
bool JobFromJson(const std::string& text, JobDocument& job, std::string& error);

// Through the atomic writer: the previous file survives a failed write.
WriteResult WriteJobFile(const std::string& path, const JobDocument& job);
// JobFromJson on the file's bytes; `error` also says why a file cannot be read.
bool ReadJobFile(const std::string& path, JobDocument& job, std::string& error);
