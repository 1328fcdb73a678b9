// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <version>

#ifdef __cpp_lib_source_location

#include <source_location>

/// Where a call is written: file, function and line, filled in by the compiler.
using SourceLocation = std::source_location;

#else

/// Where a call is written: file, function and line, filled in by the compiler.
///
/// Clang 14 with libstdc++ 12, which the sanitizer builds use, has no SourceLocation; this
/// is the part of it the log uses, from the builtins both compilers have. Clang names a function
/// without its scope and a lambda "operator()".
class SourceLocation
{
public:
    static constexpr SourceLocation current(const char *file = __builtin_FILE(),
                                            const char *function = __builtin_FUNCTION(),
                                            unsigned line = __builtin_LINE()) noexcept
    {
        return SourceLocation(file, function, line);
    }

    constexpr const char *file_name() const noexcept { return m_file; }
    constexpr const char *function_name() const noexcept { return m_function; }
    constexpr unsigned line() const noexcept { return m_line; }

private:
    constexpr SourceLocation(const char *file, const char *function, unsigned line) noexcept
        : m_file(file)
        , m_function(function)
        , m_line(line)
    {}

    const char *m_file;
    const char *m_function;
    unsigned m_line;
};

#endif
