#pragma once

#include <initializer_list>
#include <string>

// A parts or board list of records named by one letter each, numbered by position.
template <class List>
List Named(std::initializer_list<const char*> names)
{
    List list;
    for (const char* name : names) {
        list.Items.emplace_back();
        list.Items.back().Name = name;
    }
    list.Renumber();
    return list;
}

// The names in list order, "-" for an empty one.
template <class List>
std::string Names(const List& list)
{
    std::string names;
    for (const auto& record : list.Items) {
        names += record.Name.empty() ? "-" : record.Name;
    }
    return names;
}
