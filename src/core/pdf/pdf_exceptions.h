#pragma once
// The PDF writer's errors. Each carries the message the user sees in the error box: the name of the
// operation, then " --" and the reason.
#include <stdexcept>
#include <string>

namespace ijken::pdf {

// Base of the writer's errors; also raised on its own for the few failures that have no class of
// their own (an unknown font name, a reference made the wrong way, an outline entry without parent).
class PdfException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An operation called in a state that does not allow it.
class PdfInvalidOperation : public PdfException {
public:
    using PdfException::PdfException;
};

// An argument outside what the operation accepts.
class PdfInvalidValue : public PdfException {
public:
    using PdfException::PdfException;
};

// A bitmap the image writer cannot turn into an image object.
class PdfInvalidImageFormat : public PdfException {
public:
    using PdfException::PdfException;
};

}  // namespace ijken::pdf
