// Errors of form reading and writing, and where in a form they arose.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vcl {

// A place in a form file: a byte offset in the binary encoding, a line and
// column (both from 1) in the text encoding.
struct TFormPosition {
    bool Text = false;
    std::size_t Offset = 0;
    std::size_t Line = 0;
    std::size_t Column = 0;

    static TFormPosition AtByte(std::size_t offset) { return {false, offset, 0, 0}; }
    static TFormPosition AtLine(std::size_t line, std::size_t column) { return {true, 0, line, column}; }
    // "byte 17" or "line 3, column 5".
    std::string Describe() const;
};

class EFilerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A form that cannot be read. The message reads "SOURCE: WHERE: WHAT".
class EReadError : public EFilerError {
public:
    EReadError(std::string_view Source, const TFormPosition& Where, std::string_view What);
    const TFormPosition& Where() const { return FWhere; }

private:
    TFormPosition FWhere;
};

// An object whose state has no form representation.
class EWriteError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

class EClassNotFound : public EFilerError {
public:
    using EFilerError::EFilerError;
};

} // namespace vcl
