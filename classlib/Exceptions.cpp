#include "Exceptions.h"

#include "AnsiText.h"

Exception::Exception(std::wstring message)
    : message_(std::move(message)), narrow_(WideToAnsi(message_)) {}

std::wstring FormatMessageText(const std::wstring& pattern, const std::wstring& argument)
{
    std::wstring text = pattern;
    const auto at = text.find(L"%s");
    if (at != std::wstring::npos)
        text.replace(at, 2, argument);
    return text;
}
