#pragma once
// The error that an event handler raises; the application turns it into the
// general error report (a message box) instead of letting it end the program.
#include <stdexcept>
#include <string>

#include "framework/ScreenText.h"

class EPelmError : public std::runtime_error {
public:
    // A message that is one of the program's fixed texts.
    explicit EPelmError(const std::string& message) : std::runtime_error(message), m_text(message) {}
    explicit EPelmError(const char* message) : EPelmError(std::string(message)) {}
    // A message with parts from the system (a path) beside the fixed ones.
    explicit EPelmError(const TScreenText& message) : std::runtime_error(message.Bytes()), m_text(message) {}

    const TScreenText& Text() const { return m_text; }

private:
    TScreenText m_text;
};

// The text the general error report shows: a full stop (a fixed text) is
// appended when the message's last byte sorts after "." (so a message ending
// in "." or "!" is left alone, one ending in a letter or a double-byte
// character is not).
TScreenText FormatErrorReport(const TScreenText& message);
