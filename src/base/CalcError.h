#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

// An index outside its array inside the calculation: an internal fault that abandons the
// current operation. Derived from std::out_of_range so that one handler also catches .at().
class CalcError : public std::out_of_range {
public:
    explicit CalcError(const std::string& what) : std::out_of_range(what) {}
};

// Throws the CalcError of CheckedAt; out of line so that the check itself stays small.
[[noreturn, gnu::noinline, gnu::cold]] inline void ThrowIndexError(const char* what, long long index,
                                                                   std::size_t size)
{
    throw CalcError(std::string(what) + " index " + std::to_string(index) + " out of range (size " +
                    std::to_string(size) + ")");
}

// v[index] with a range check that throws CalcError naming what was looked up.
template <class Vector>
auto& CheckedAt(Vector& v, long long index, const char* what)
{
    if (index < 0 || static_cast<unsigned long long>(index) >= v.size()) [[unlikely]]
        ThrowIndexError(what, index, v.size());
    return v[static_cast<std::size_t>(index)];
}
