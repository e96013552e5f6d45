#include "framework/Error.h"

TScreenText FormatErrorReport(const TScreenText& message)
{
    const std::string bytes = message.Bytes();
    if (!bytes.empty() && static_cast<unsigned char>(bytes.back()) > '.')
        return message + ".";
    return message;
}
