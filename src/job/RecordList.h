#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the parts lists (CBuzaiList) and the boards list (CGenbanList) hold alike.
template <class Record>
class RecordList {
public:
    std::vector<Record> Items;
    Record Template;  // the values a new record starts with
    int Saved = 1;
    // The files the records came from (読み込み, 追加読み込み) or were last saved to: the job holds
    // them open, and other data is not saved over them unasked.
    std::vector<std::string> Files;

    // Index = position, for every record.
    void Renumber()
    {
        for (std::size_t i = 0; i < Items.size(); ++i) {
            Items[i].Index = static_cast<std::int32_t>(i);
        }
    }
};
