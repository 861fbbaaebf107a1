#pragma once

// The case rule of the table's text comparisons (SQLite's NOCASE, the server's
// lower(... COLLATE "C"), the in-memory standard order): the ASCII letters A-Z are a-z,
// every other character, byte or code unit stands for itself. Written once here; the LIKE
// matcher folds the characters beyond ASCII by its own, Unicode rule.
namespace AsciiCase {

template <typename Char> constexpr Char Lower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? Char(c + ('a' - 'A')) : c;
}

// Whether c is one of the 26 ASCII letters, in either case.
template <typename Char> constexpr bool IsLetter(Char c) {
    const Char lower = Lower(c);
    return lower >= Char('a') && lower <= Char('z');
}

} // namespace AsciiCase
