#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "job/Buzai.h"
#include "job/Edge.h"
#include "job/Genban.h"

class FileChooser;
class Prompt;
struct Settings;

// A list dialog's list as it was at one moment, for 元に戻す and やり直し.
class ListState {
public:
    virtual ~ListState() = default;
    // Whether both hold the same records, files and saved mark (the selection aside).
    virtual bool SameList(const ListState& other) const = 0;
};

// What a list dialog asks of its rules, whatever the records are. Rows are the records plus
// one empty last row that stands for the place after the last record.
class ListEditing {
public:
    virtual ~ListEditing() = default;

    // The list as it is now, and the list put back as a state held it (a change of the list).
    virtual std::unique_ptr<ListState> Keep() const = 0;
    virtual void Return(const ListState& state) = 0;

    virtual int RowCount() const = 0;
    // The selected row, -1 for none.
    virtual int Selected() const = 0;
    virtual void Select(int row) = 0;
    // The row to scroll into view after the last button.
    virtual int ScrollRow() const = 0;
    // 1 once the dialog changed the list.
    virtual int Changed() const = 0;

    virtual void Add() = 0;
    virtual void Edit() = 0;
    virtual void Delete() = 0;
    virtual void MoveUp() = 0;
    virtual void MoveDown() = 0;
    virtual void DeleteAll() = 0;
    virtual void Load() = 0;
    virtual void LoadMore() = 0;
    virtual void Save() = 0;
};

// The rules of the list dialogs of parts (部材, ２次部材) and boards (原板): where a new record goes,
// the selection after each button, the questions before a list is emptied, the file buttons.
// The input dialog is handed in: it edits one record and returns true on OK.
template <class List>
class ListEditor final : public ListEditing {
public:
    using Record = typename decltype(List::Items)::value_type;
    using Input = std::function<bool(Record& record)>;

    ListEditor(List& list, const Settings& settings, Prompt& prompt, FileChooser& chooser, Input input);

    int RowCount() const override { return static_cast<int>(m_list.Items.size()) + 1; }
    int Selected() const override { return m_selected; }
    void Select(int row) override;
    int ScrollRow() const override { return m_scroll; }
    int Changed() const override { return m_changed; }

    // A copy of Template, edited, goes before the selected row (at the end with none selected);
    // the entered values become the next Template.
    void Add() override;
    // The selected record; on the empty row it is Add.
    void Edit() override;
    void Delete() override;
    void MoveUp() override;
    void MoveDown() override;
    // Always asks (with records in the list).
    void DeleteAll() override;
    // Asks first unless the list is saved; the list becomes the chosen files once every one of
    // them was read, and stays as it was when the dialog is cancelled or a file is refused.
    void Load() override;
    // Appends the chosen files.
    void LoadMore() override;
    void Save() override;
    // Records from elsewhere (a spreadsheet) go before the selected row, or at the end with the
    // empty row or none selected; the first of them is selected.
    void Insert(std::vector<Record> records);

    std::unique_ptr<ListState> Keep() const override;
    void Return(const ListState& state) override;

private:
    struct State final : ListState {
        std::vector<Record> Items;
        std::vector<std::string> Files;
        int Saved = 0;
        int Selected = -1;
        std::string Text;  // the records as their file holds them, to compare
        bool SameList(const ListState& other) const override
        {
            const auto& o = static_cast<const State&>(other);
            return Text == o.Text && Files == o.Files && Saved == o.Saved;
        }
    };

    bool IsRecordRow(int row) const { return row >= 0 && row < static_cast<int>(m_list.Items.size()); }
    void MarkChanged();

    List& m_list;
    const Settings& m_settings;
    Prompt& m_prompt;
    FileChooser& m_chooser;
    Input m_input;
    int m_selected;
    int m_scroll;
    int m_changed = 0;
};

using BuzaiListEditor = ListEditor<CBuzaiList>;
using GenbanListEditor = ListEditor<CGenbanList>;
using EdgeListEditor = ListEditor<CEdgeList>;

extern template class ListEditor<CBuzaiList>;
extern template class ListEditor<CGenbanList>;
extern template class ListEditor<CEdgeList>;

// The questions of the list dialogs.
std::string DeleteAllQuestion(const CBuzaiList& list);
std::string DeleteAllQuestion(const CGenbanList& list);
std::string LoadQuestion(const CBuzaiList& list);
std::string LoadQuestion(const CGenbanList& list);
std::string DeleteAllQuestion(const CEdgeList& list);
std::string LoadQuestion(const CEdgeList& list);
