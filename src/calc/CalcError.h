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

// v[index] with a range check that throws CalcError naming what was looked up.
template <class Vector>
auto& CheckedAt(Vector& v, long long index, const char* what)
{
    if (index < 0 || static_cast<unsigned long long>(index) >= v.size())
        throw CalcError(std::string(what) + " index " + std::to_string(index) + " out of range (size " +
                        std::to_string(v.size()) + ")");
    return v[static_cast<std::size_t>(index)];
}
