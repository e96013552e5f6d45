#include "framework/Error.h"

std::string FormatErrorReportText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

TScreenText FormatErrorReport(const TScreenText& message)
{
    const std::string bytes = message.Bytes();
    if (!bytes.empty() && static_cast<unsigned char>(bytes.back()) > '.')
        return message + ".";
    return message;
}
