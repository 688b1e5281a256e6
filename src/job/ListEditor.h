#pragma once

#include <functional>
#include <string>

#include "job/Buzai.h"
#include "job/Genban.h"

class FileChooser;
class Prompt;
struct Settings;

// What a list dialog asks of its rules, whatever the records are. Rows are the records plus
// one empty last row that stands for the place after the last record.
class ListEditing {
public:
    virtual ~ListEditing() = default;

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
    // Asks first unless the list is saved.
    void DeleteAll() override;
    // Asks first unless the list is saved; empties the list, then reads the chosen files.
    void Load() override;
    // Appends the chosen files.
    void LoadMore() override;
    void Save() override;

private:
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

extern template class ListEditor<CBuzaiList>;
extern template class ListEditor<CGenbanList>;

// The questions of the list dialogs.
std::string DeleteAllQuestion(const CBuzaiList& list);
std::string DeleteAllQuestion(const CGenbanList& list);
std::string LoadQuestion(const CBuzaiList& list);
std::string LoadQuestion(const CGenbanList& list);
