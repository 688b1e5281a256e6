#include "job/ListEditor.h"

#include <utility>

#include "platform/Prompt.h"

// One dialog serves both parts lists, and a secondary part is a part too: the same words for both.
std::string DeleteAllQuestion(const CBuzaiList&)
{
    return "全ての部材を削除しますか？";
}

std::string DeleteAllQuestion(const CGenbanList&)
{
    return "全ての原板を削除しますか？";
}

std::string LoadQuestion(const CBuzaiList&)
{
    return "部材は保存されていません。\n新しい部材を読み込みますか？";
}

std::string LoadQuestion(const CGenbanList&)
{
    return "原板は保存されていません。\n新しい原板を読み込みますか？";
}

std::string DeleteAllQuestion(const CEdgeList&)
{
    return "全てのエッジ材を削除しますか？";
}

std::string LoadQuestion(const CEdgeList&)
{
    return "エッジ材は保存されていません。\n新しいエッジ材を読み込みますか？";
}

template <class List>
ListEditor<List>::ListEditor(List& list, const Settings& settings, Prompt& prompt, FileChooser& chooser,
                             Input input)
    : m_list(list),
      m_settings(settings),
      m_prompt(prompt),
      m_chooser(chooser),
      m_input(std::move(input)),
      m_selected(static_cast<int>(list.Items.size())),  // the empty last row
      m_scroll(m_selected)
{
}

template <class List>
void ListEditor<List>::Select(int row)
{
    m_selected = row >= 0 && row < RowCount() ? row : -1;
    if (m_selected >= 0) {
        m_scroll = m_selected;
    }
}

template <class List>
void ListEditor<List>::MarkChanged()
{
    m_changed = 1;
    m_list.Saved = 0;
}

template <class List>
void ListEditor<List>::Add()
{
    Record entered = m_list.Template;
    if (!m_input(entered)) {
        return;
    }
    m_list.Template = entered;
    const int at = m_selected >= 0 ? m_selected : static_cast<int>(m_list.Items.size());
    m_list.Items.insert(m_list.Items.begin() + at, entered);
    m_list.Renumber();
    m_selected = at + 1;  // the row that was selected, now one lower
    m_scroll = at;
    MarkChanged();
}

template <class List>
void ListEditor<List>::Edit()
{
    if (m_selected < 0) {
        return;
    }
    if (!IsRecordRow(m_selected)) {
        Add();
        return;
    }
    Record entered = m_list.Items.at(m_selected);
    if (!m_input(entered)) {
        return;
    }
    entered.Index = m_selected;
    m_list.Items.at(m_selected) = entered;
    m_scroll = m_selected;
    MarkChanged();
}

template <class List>
void ListEditor<List>::Delete()
{
    if (!IsRecordRow(m_selected)) {
        return;
    }
    m_list.Items.erase(m_list.Items.begin() + m_selected);
    m_list.Renumber();
    m_scroll = m_selected;  // the next record or the empty row moves up into it
    MarkChanged();
}

template <class List>
void ListEditor<List>::MoveUp()
{
    if (!IsRecordRow(m_selected) || m_selected == 0) {
        return;
    }
    std::swap(m_list.Items.at(m_selected), m_list.Items.at(m_selected - 1));
    m_list.Renumber();
    --m_selected;
    m_scroll = m_selected;
    MarkChanged();
}

template <class List>
void ListEditor<List>::MoveDown()
{
    if (!IsRecordRow(m_selected) || !IsRecordRow(m_selected + 1)) {
        return;
    }
    std::swap(m_list.Items.at(m_selected), m_list.Items.at(m_selected + 1));
    m_list.Renumber();
    ++m_selected;
    m_scroll = m_selected;
    MarkChanged();
}

template <class List>
void ListEditor<List>::DeleteAll()
{
    // Always asked: a list just read or opened counts as saved, but is the shop's or the job's.
    if (m_list.Items.empty() || !m_prompt.AskYesNo(DeleteAllQuestion(m_list))) {
        return;
    }
    m_list.Items.clear();
    m_selected = 0;
    m_scroll = 0;
    m_changed = 1;
    m_list.Saved = 1;
}

template <class List>
void ListEditor<List>::Load()
{
    if (!m_list.Saved && !m_prompt.AskYesNo(LoadQuestion(m_list))) {
        return;
    }
    // Read into a list of its own: the list is replaced only once every chosen file was read.
    // A cancelled dialog or a refused file leaves it (and its file in the program folder) as it
    // was.
    List read = m_list;
    read.Items.clear();
    read.Files.clear();
    if (!read.ReadWithDialog(m_settings, m_prompt, m_chooser)) {
        return;
    }
    m_list.Items = std::move(read.Items);
    m_list.Files = std::move(read.Files);
    m_list.Saved = 1;
    m_changed = 1;
    m_selected = static_cast<int>(m_list.Items.size());
    m_scroll = m_selected;
}

template <class List>
void ListEditor<List>::LoadMore()
{
    const std::size_t before = m_list.Items.size();
    const int read = m_list.ReadWithDialog(m_settings, m_prompt, m_chooser);
    // Records read before a failing line stay in the list: that is a change too.
    if (read || m_list.Items.size() != before) {
        MarkChanged();
    }
    if (m_selected >= static_cast<int>(before)) {
        m_selected = static_cast<int>(m_list.Items.size());  // still the empty row
    }
    m_scroll = m_selected;
}

template <class List>
void ListEditor<List>::Insert(std::vector<Record> records)
{
    if (records.empty()) {
        return;
    }
    const int at = IsRecordRow(m_selected) ? m_selected : static_cast<int>(m_list.Items.size());
    m_list.Items.insert(m_list.Items.begin() + at, std::make_move_iterator(records.begin()),
                        std::make_move_iterator(records.end()));
    m_list.Renumber();
    m_selected = at;
    m_scroll = static_cast<int>(at + records.size()) - 1;
    MarkChanged();
}

template <class List>
void ListEditor<List>::Save()
{
    m_list.SaveAs(m_settings, m_prompt, m_chooser);
}

template <class List>
std::unique_ptr<ListState> ListEditor<List>::Keep() const
{
    auto state = std::make_unique<State>();
    state->Items = m_list.Items;
    state->Files = m_list.Files;
    state->Saved = m_list.Saved;
    state->Selected = m_selected;
    state->Text = m_list.ToText();
    return state;
}

template <class List>
void ListEditor<List>::Return(const ListState& state)
{
    const auto& kept = static_cast<const State&>(state);
    m_list.Items = kept.Items;
    m_list.Files = kept.Files;
    m_list.Saved = kept.Saved;
    m_list.Renumber();
    m_changed = 1;
    Select(kept.Selected);
    m_scroll = m_selected >= 0 ? m_selected : static_cast<int>(m_list.Items.size());
}

template class ListEditor<CBuzaiList>;
template class ListEditor<CGenbanList>;
template class ListEditor<CEdgeList>;
