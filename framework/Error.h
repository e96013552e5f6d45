#pragma once
// The error that an event handler raises; the application turns it into the
// general error report (a message box) instead of letting it end the program.
#include <stdexcept>
#include <string>

class EPelmError : public std::runtime_error {
public:
    explicit EPelmError(const std::string& message) : std::runtime_error(message) {}
};

// The text the general error report shows: a full stop is appended when the
// message's last byte sorts after "." (so a message ending in "." or "!" is
// left alone, one ending in a letter or a double-byte character is not).
std::string FormatErrorReportText(const std::string& message);
