#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "job/RecordList.h"

class Prompt;
class FileChooser;
struct Settings;

// One stock board. Lengths in 0.1 mm, price in yen.
class CGenban {
public:
    CGenban() = default;
    CGenban(const CGenban&) = default;
    CGenban(CGenban&&) noexcept = default;
    CGenban& operator=(const CGenban&) = default;
    CGenban& operator=(CGenban&&) noexcept = default;
    virtual ~CGenban() = default;

    std::string Name;
    std::int32_t Width = 18000;
    std::int32_t Height = 9000;
    std::int32_t Thickness = 100;
    std::int32_t TrimTop = 0;
    std::int32_t TrimBottom = 0;
    std::int32_t TrimLeft = 0;
    std::int32_t TrimRight = 0;
    std::int32_t Price = 0;
    std::int32_t Count = 9999;
    std::int32_t Priority = 0;  // 0 標準, 1 優先, 2 最優先
    std::string Kind;
    std::string Remark;
    std::int32_t Index = 0;
    int Use = 0;                 // chosen for the next calculation; not stored in files
    std::int32_t WorkValue = 0;  // working value, never stored
};

// The same board as a record of the list: every stored field equal (not Use, Index or the
// working value).
bool SameBoardRecord(const CGenban& a, const CGenban& b);

// The board list (原板). Its file operations are CBuzaiList's (Buzai.h) by design, over the same
// reader and writer (TableFile.h); only the open dialog differs: it takes several files.
class CGenbanList : public RecordList<CGenban> {
public:
    int Read(const std::string& path, const Settings& settings, Prompt& prompt);
    int Read(std::istream& in, const Settings& settings, Prompt& prompt);
    int Write(const std::string& path, Prompt& prompt) const;
    int SaveAs(const Settings& settings, Prompt& prompt, FileChooser& chooser);
    // Several files; stops at the first that fails (the files before it stay read). 1 when every
    // chosen file was read.
    int ReadWithDialog(const Settings& settings, Prompt& prompt, FileChooser& chooser);

    std::string ToText() const;

    // What the record breaks of the file's column rules ("原板横 0.0 は 0.1 から … の範囲にありません"),
    // "" when it could stand in the list's file.
    static std::string CheckRecord(const CGenban& record);

    static const char* const kColumns[13];
};
