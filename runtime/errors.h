// Run-time errors.
//
// Programming errors raise exceptions with fixed texts; each class below carries its text.
// An error that reaches main is printed on standard error and ends the program with a
// non-zero exit code (game/main.cpp).
#pragma once

#include <exception>
#include <string>

namespace vdl {

// Base of every run-time error; what() is the error's text.
class TVardoException : public std::exception {
public:
    explicit TVardoException(std::string text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }
    const std::string& Text() const noexcept { return text_; }

private:
    std::string text_;
};

// An error raised by the runtime or an engine module with a message of its own
// ("List index out of range", "Too many hook ids", ...).
class TRuntimeException : public TVardoException {
public:
    using TVardoException::TVardoException;
};

class TNullObjectException : public TVardoException {
public:
    TNullObjectException() : TVardoException("Attempt to access field or method of Null object") {}
};

class TNullMethodException : public TVardoException {
public:
    TNullMethodException() : TVardoException("Attempt to call abstract method") {}
};

class TNullFunctionException : public TVardoException {
public:
    TNullFunctionException() : TVardoException("Attempt to call uninitialized function pointer") {}
};

class TArrayBoundsException : public TVardoException {
public:
    TArrayBoundsException()
        : TVardoException("Attempt to index array element beyond array length") {}
};

// Errors of byte streams: a transfer that could not move every byte asked for.
class TStreamException : public TVardoException {
public:
    using TVardoException::TVardoException;
};

class TStreamReadException : public TStreamException {
public:
    TStreamReadException() : TStreamException("Error reading from stream") {}
};

class TStreamWriteException : public TStreamException {
public:
    TStreamWriteException() : TStreamException("Error writing to stream") {}
};

// Raises a TRuntimeException with the given text.
[[noreturn]] void RuntimeError(const std::string& text);

}  // namespace vdl
