#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "job/RecordList.h"

class CEdgeList;
class Prompt;
class FileChooser;
struct Settings;

// One part to cut. Lengths in 0.1 mm.
class CBuzai {
public:
    CBuzai() = default;
    CBuzai(const CBuzai&) = default;
    CBuzai(CBuzai&&) noexcept = default;
    CBuzai& operator=(const CBuzai&) = default;
    CBuzai& operator=(CBuzai&&) noexcept = default;
    virtual ~CBuzai() = default;

    std::string Name;
    std::int32_t Width = 2000;
    std::int32_t Height = 1000;
    std::int32_t Thickness = 100;
    std::int32_t Count = 1;
    std::int32_t NoTurn = 0;  // 1: may not be laid sideways
    std::string Kind;
    std::string Remark;
    // The band (エッジ材 code) of each edge, "" for none: 上 and 下 run along the width (横),
    // 左 and 右 along the length (縦), as the part is entered.
    std::string EdgeTop;
    std::string EdgeBottom;
    std::string EdgeLeft;
    std::string EdgeRight;
    std::int32_t Index = 0;        // position in its list
    // Working: the size as entered (the finished size) in a list at cut sizes (CutSizeList);
    // Width and Height are then the size laid out and cut.
    std::int32_t FinishedWidth = 0;
    std::int32_t FinishedHeight = 0;
    // The size as entered, in a list at cut sizes or not.
    std::int32_t EnteredWidth() const { return FinishedWidth > 0 ? FinishedWidth : Width; }
    std::int32_t EnteredHeight() const { return FinishedWidth > 0 ? FinishedHeight : Height; }
    double PlacedCost = 0.0;       // working value: cost of the pieces placed (printing)
    std::int32_t PlacedCount = 0;  // working count: pieces placed (printing)
};

// A parts list (部材) or a secondary parts list (２次部材).
class CBuzaiList : public RecordList<CBuzai> {
public:
    int IsSecondary = 0;
    // The band table whose codes a file read into the list may name; a file naming another code
    // is refused at its line. Without one any code is read.
    const CEdgeList* Edges = nullptr;

    // "部材" or "２次部材": the first word of every message.
    const char* KindWord() const { return IsSecondary ? "２次部材" : "部材"; }

    // Appends the parts of a parts file; 1 on success, else 0 after showing the message.
    int Read(const std::string& path, const Settings& settings, Prompt& prompt);
    int Read(std::istream& in, const Settings& settings, Prompt& prompt);
    // Replaces the file with the whole list; the previous file survives a failed write.
    int Write(const std::string& path, Prompt& prompt) const;
    // Save dialog, then Write; on success Saved = 1. Cancel returns 0 silently.
    int SaveAs(const Settings& settings, Prompt& prompt, FileChooser& chooser);
    // Open dialog for one parts file, then Read. Cancel returns 0 silently.
    int ReadWithDialog(const Settings& settings, Prompt& prompt, FileChooser& chooser);

    // The file's text (UTF-8, "\n" line ends) as it is written.
    std::string ToText() const;

    // What the record breaks of the file's column rules ("部材横 0.0 は 0.1 から … の範囲にありません"),
    // "" when it could stand in the list's file.
    static std::string CheckRecord(const CBuzai& record);

    // The columns of a parts file: eight that every file has, then the four band columns that a
    // file has when some part has a band.
    static const char* const kColumns[12];
    static constexpr std::size_t kRequiredColumns = 8;
    // Whether some part of the list has a band.
    bool HasEdges() const;
};

// A part's bands in the order of the file's columns: 上, 下, 左, 右.
std::array<const std::string*, 4> PartEdges(const CBuzai& part);
