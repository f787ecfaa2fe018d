// A variable (a platform seam, a stand-in's outcome) set for one scope: its value comes back
// when the scope ends, whatever the test did to it in between, so no test leaves it behind for
// the tests that run after it.
#pragma once

#include <utility>

template <class T>
class ScopedOverride {
public:
    ScopedOverride(T& variable, T value) : m_variable(variable), m_saved(std::move(variable))
    {
        m_variable = std::move(value);
    }
    ~ScopedOverride() { m_variable = std::move(m_saved); }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    T& m_variable;
    T m_saved;
};
