#include "AnsiText.h"

#include <windows.h>

std::wstring AnsiToWide(const std::string& text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), units);
    return wide;
}

std::string WideToAnsi(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, narrow.data(), bytes, nullptr, nullptr);
    return narrow;
}

namespace {

// Whether the system code page has double-byte characters at all; if not,
// every byte is one character and the plain byte search is exact.
bool DoubleByteCodePage()
{
    static const bool doubleByte = [] {
        CPINFO info{};
        return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
    }();
    return doubleByte;
}

// Byte length of the character starting at text[i].
std::size_t CharLength(std::string_view text, std::size_t i)
{
    return (i + 1 < text.size() && IsDBCSLeadByte(static_cast<BYTE>(text[i]))) ? 2 : 1;
}

} // namespace

std::size_t AnsiPos(std::string_view sub, std::string_view text)
{
    if (sub.empty() || text.empty() || sub.size() > text.size())
        return 0;
    if (!DoubleByteCodePage()) {
        const auto at = text.find(sub);
        return at == std::string_view::npos ? 0 : at + 1;
    }
    for (std::size_t i = 0; i + sub.size() <= text.size(); i += CharLength(text, i)) {
        if (text.compare(i, sub.size(), sub) == 0)
            return i + 1;
    }
    return 0;
}

bool AnsiContainsStr(std::string_view text, std::string_view sub)
{
    return AnsiPos(sub, text) > 0;
}

std::string AnsiReverseString(std::string_view text)
{
    std::string reversed(text.size(), '\0');
    if (!DoubleByteCodePage()) {
        reversed.assign(text.rbegin(), text.rend());
        return reversed;
    }
    std::size_t out = text.size();
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = CharLength(text, i);
        out -= n;
        text.copy(&reversed[out], n, i);
        i += n;
    }
    return reversed;
}

std::string MidStr(std::string_view text, long long index, long long count)
{
    if (index < 1)
        index = 1;
    const auto size = static_cast<long long>(text.size());
    if (index > size || count <= 0)
        return {};
    return std::string(text.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count)));
}

std::string LeftStr(std::string_view text, long long count)
{
    if (count <= 0)
        return {};
    return std::string(text.substr(0, static_cast<std::size_t>(count)));
}
