#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "job/RecordList.h"

class CBuzai;
class CBuzaiList;
class FileChooser;
class Prompt;
struct Settings;

// One edge band (エッジ材). Lengths in 0.1 mm, the price in yen per metre.
class CEdge {
public:
    std::string Code;  // what a part names for an edge: 1 to kMaxEdgeCodeBytes Shift-JIS bytes
    std::string Name;
    std::int32_t Thickness = 10;  // taken off the part's size on each banded edge
    std::int32_t Height = 220;
    std::int32_t Price = 0;
    std::int32_t Allowance = 0;  // 足し長さ: added to each banded edge's length
    std::int32_t Index = 0;
};

inline constexpr long kMaxEdgeCodeBytes = 4;

// The band table. Read and written like the parts and boards files (a Shift-JIS CSV under its
// header line); a code is refused when it is empty, longer than kMaxEdgeCodeBytes bytes or
// given twice.
class CEdgeList : public RecordList<CEdge> {
public:
    static constexpr const char* kKindWord = "エッジ材";

    // Appends the bands of a file; 1, or 0 after showing the message (nothing appended then).
    int Read(const std::string& path, Prompt& prompt);
    int Read(std::istream& in, Prompt& prompt);
    int Write(const std::string& path, Prompt& prompt) const;
    std::string ToText() const;
    // The file dialogs of the list dialog (the settings are those of the other lists' dialogs).
    int ReadWithDialog(const Settings& settings, Prompt& prompt, FileChooser& chooser);
    int SaveAs(const Settings& settings, Prompt& prompt, FileChooser& chooser);

    // The band of a code, or null.
    const CEdge* Find(const std::string& code) const;
    // What is wrong with a record as an entry of this list (its range, its code, a code another
    // entry than `self` has); "" when nothing.
    std::string CheckRecord(const CEdge& record, int self = -1) const;

    static const char* const kColumns[6];

private:
    int Take(std::vector<CEdge> read, Prompt& prompt);
};

// The size a part is laid out and cut at: its finished size less the thickness of the band on
// each banded edge plus the pre-milling allowance (仕上げ代, 0.1 mm) of each banded edge; the
// width (横) loses the 左 and 右 bands, the length (縦) the 上 and 下 bands.
struct CutSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool operator==(const CutSize&) const = default;
};
// Why the part cannot be cut ("エッジ記号「Z」はエッジ材にありません", a size banded away to
// nothing), or nothing with `size` set.
std::optional<std::string> PartCutSize(const CBuzai& part, const CEdgeList& edges, std::int32_t premill,
                                       CutSize& size);

// The list as it is laid out and cut: every part at its cut size, with the size as entered in
// FinishedWidth and FinishedHeight (the same sizes for a part without bands). The first part that
// cannot be cut stops it: its number, name and reason ("部材 3「棚板」: …"); "" when all could.
std::string CutSizeList(const CBuzaiList& list, const CEdgeList& edges, std::int32_t premill,
                        CBuzaiList& cut);
